#pragma once

// Lets screen readers see the program's own controls as what they are: the
// panels as toolbars, the splitter as a splitter whose value is its place, the
// drive selector by its own name with the chosen volume as its value and text,
// the panes as lists whose only focused row is the one the keys act on, the
// progress bar with a value only while it counts. A reader's press on a flat
// button or a menu item answers before the command runs, so a box the command
// opens does not hold the reader. Called once the application object exists.
void InstallAccessibleInterfaces();

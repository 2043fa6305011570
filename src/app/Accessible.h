#pragma once

// Lets screen readers see the program's own controls as what they are: the
// panels as toolbars, the splitter as a splitter whose value is its place, the
// drive selector by its own name with the chosen volume as its value. Called
// once the application object exists.
void InstallAccessibleInterfaces();

#pragma once

#include <string>

// The locale the user has chosen, and the name ICU knows it by: one rule for
// sorting names and for writing numbers and amounts of money.
namespace zumi {

// The user's locale for a category such as "LC_COLLATE" or "LC_NUMERIC": LC_ALL,
// else the category's own variable, else LANG; empty when none is set.
std::string UserLocale(const char* category);

// The ICU locale ID of a POSIX locale name, without its codeset and modifier
// ("de_DE.UTF-8@euro" is "de_DE"). C and POSIX name no language and give the
// root locale (""): ICU would otherwise fall back to its own default locale,
// en_US_POSIX in a C environment, whose collation puts every upper-case letter
// first.
std::string IcuLocaleId(const std::string& locale);

} // namespace zumi

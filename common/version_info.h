// Who makes Tarvilo, its version and where its home page is: one set of constants for the
// editor's version dialog and the version resources of all three programs. Plain
// #defines, because the resource compiler reads this file too. The version number and the
// home page are build settings (the CMake project version, TARVILO_HOME_PAGE).
#ifndef TARVILO_VERSION_INFO_H
#define TARVILO_VERSION_INFO_H

#define TARVILO_AUTHOR "Tarvilo"
#define TARVILO_PUBLISHER "Tarvilo"
#define TARVILO_COPYRIGHT "Copyright (C) 2026 " TARVILO_AUTHOR

// No home page unless the build names one: the logo then opens the quick guide.
#ifndef TARVILO_HOME_PAGE
#define TARVILO_HOME_PAGE ""
#endif

// The version's three parts come from the build as plain numbers (a quoted definition
// loses its quotes on the way through windres to the preprocessor); the text "1.0.0" is
// made from them here.
#ifndef TARVILO_VERSION_MAJOR
#error "TARVILO_VERSION_MAJOR, _MINOR and _PATCH come from the build"
#endif
#define TARVILO_TEXT_OF(number) #number
#define TARVILO_NUMBER_TEXT(number) TARVILO_TEXT_OF(number)
#define TARVILO_VERSION_TEXT                 \
  TARVILO_NUMBER_TEXT(TARVILO_VERSION_MAJOR) \
  "." TARVILO_NUMBER_TEXT(TARVILO_VERSION_MINOR) "." TARVILO_NUMBER_TEXT(TARVILO_VERSION_PATCH)

#endif  // TARVILO_VERSION_INFO_H

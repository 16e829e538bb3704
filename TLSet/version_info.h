// Who makes Tarvilo and where its home page is: one set of constants for the version
// dialog (and any other place that names them). Plain #defines, because the resource
// compiler reads this file too. The home page is a build setting (TARVILO_HOME_PAGE).
#ifndef TLSET_VERSION_INFO_H
#define TLSET_VERSION_INFO_H

#define TARVILO_AUTHOR "Tarvilo"
#define TARVILO_PUBLISHER "Tarvilo"

#ifndef TARVILO_HOME_PAGE
#define TARVILO_HOME_PAGE "https://tarvilo.example/"
#endif

#endif  // TLSET_VERSION_INFO_H

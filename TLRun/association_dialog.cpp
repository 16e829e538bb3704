// Placeholder until the association routines are wired in: shows nothing, changes nothing.
#include "association_dialog.h"

void RunRunnerAssociation(HINSTANCE, const char*) {}

// The one application object of the program.
#include "gui/quorvel_app.h"

CQuorvelApp theApp;

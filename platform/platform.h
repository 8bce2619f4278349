// Stand-ins for the system interfaces that the program's routines call, each family
// in its own header. Only what the program uses is declared, with the argument values
// it passes; library error codes are mapped to these calls' results once, inside.
#pragma once

#include "platform/code_page.h"
#include "platform/gbk.h"
#include "platform/system.h"
#include "platform/window_services.h"

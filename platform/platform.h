// Stand-ins for the system interfaces that the program's routines call, each family
// in its own header. Only what the program uses is declared, with the argument values
// it passes; library error codes are mapped to these calls' results once, inside.
#pragma once

// Code pages and encodings (iconv).
#include "platform/code_page.h"
#include "platform/gbk.h"
#include "platform/iconv_codec.h"
// HTTP: one libcurl engine, its limits, and the WinInet- and WinHTTP-style fronts.
#include "platform/http_exchange.h"
#include "platform/http_limits.h"
#include "platform/internet_types.h"
#include "platform/winhttp.h"
#include "platform/wininet.h"
// Automation objects called by member name: the script control, regular
// expressions and the text stream are registered by name behind this interface.
#include "platform/automation.h"
#include "platform/script_control.h"
#include "platform/text_stream.h"
// System: OS version, ticks, process id; installed updates.
#include "platform/installed_updates.h"
#include "platform/system.h"
// Window services the application registers.
#include "platform/window_services.h"

// The system headers of the Windows backend, in the one order that works:
// winsock2.h before windows.h, which would otherwise pull in the old
// winsock.h, and without the parts of windows.h the library does not use.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

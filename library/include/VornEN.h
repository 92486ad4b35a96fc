/*
 * VornEN: device access library.
 *
 * Gives a networked device its IPv4 address by its MAC address, finds that
 * address again, and carries command text to and from the device.
 *
 * Every export returns a 32-bit signed result code: 0 for success, a negative
 * ERR_ code for each kind of failure. The library keeps one connection per
 * process; call it from one thread at a time.
 */
#ifndef VORNEN_H
#define VORNEN_H

#include <stdint.h>

#if defined(_WIN32)
#define VORNEN_CALL __stdcall
#else
#define VORNEN_CALL
#endif

#if defined(VORNEN_BUILDING)
#if defined(_WIN32)
#define VORNEN_API __declspec(dllexport)
#else
#define VORNEN_API __attribute__((visibility("default")))
#endif
#else
#if defined(_WIN32)
#define VORNEN_API __declspec(dllimport)
#else
#define VORNEN_API
#endif
#endif

#define VORNEN_VERSION_TEXT "VornEN.DLL Rev. 1.001"

/* Network start-up */
#define ERR_WSASTARTUPFAIL (-10)
#define ERR_WINSOCKVERSIONFAIL (-11)
#define ERR_SOCKETONINFO (-12)
#define ERR_WSAIOCTLONINFO (-13)
#define ERR_NONETWORKINTERFACEONINFO (-14)
#define ERR_TOOMANYNONETWORKINTERFACE (-15)
/* TCP connect */
#define ERR_ILLEGALSTATE_ONCONNECTION (-100)
#define ERR_TIMEOUT_ONCONNECTION (-101)
#define ERR_SOCKET (-102)
#define ERR_WSACREATEEVENT (-103)
#define ERR_EVENTSELECT (-104)
#define ERR_GETHOSTBYNAME (-105)
#define ERR_CONNECT (-106)
#define ERR_NETWORKEVENT_ONCONNECTION (-107)
#define ERR_UNEXPECTEDEVENT_ONCONNECTION (-108)
/* TCP send */
#define ERR_ILLEGALSTATE_ONWRITE (-200)
#define ERR_SENDERR (-201)
/* TCP receive */
#define ERR_ILLEGALSTATE_ONREAD (-300)
#define ERR_TIMEOUT_ONREAD (-301)
#define ERR_NETWORKEVENT_ONREAD (-302)
#define ERR_RECVFAIL (-303)
#define ERR_UNEXPECTEDEVENT_ONREAD (-304)
#define ERR_UNEXPECTEDREADLENGTH (-310)
/* TCP release */
#define ERR_ILLEGALSTATE_ONRELSEASE (-400)
/* UDP exchange */
#define ERR_UDP_ILLEGALSTATE_ONSEND (-500)
#define ERR_UDP_SOCKET (-501)
#define ERR_UDP_WSACREATEEVENT (-502)
#define ERR_UDP_EVENTSELECT (-503)
#define ERR_UDP_TIMEOUT_ONREAD (-504)
#define ERR_UDP_NETWORKEVENT_ONREAD (-505)
#define ERR_UDP_GETHOSTBYNAME (-506)
#define ERR_UDP_SENDTO (-507)
#define ERR_UDP_CANNOTSENDFULLDATA (-508)
#define ERR_UDP_RECV (-509)
#define ERR_UDP_ILLEGAL_RECV_DATA_BYTE (-510)
#define ERR_UDP_ILLEGALSTATE_ONRECEIVE (-511)
#define ERR_UDP_UNEXPECTEDEVENT_ONREAD (-512)
#define ERR_UDP_ILLEGALSTATE_ONEND (-513)
/* Arguments and devices */
#define ERR_MIDDLE_SETIOSTATE (-1001)
#define ERR_MIDDLE_GETIOSTATE (-1002)
#define ERR_MIDDLE_ILLEGALMAC (-1003)
#define ERR_MIDDLE_ILLEGALIP (-1004)
#define ERR_ILLEGAL_INPUT_PARAMETER (-1005)
#define ERR_ILLEGALSTATE_ONIPSETGET (-1006)
#define ERR_INPUTED_IP_MAY_UNREACHABLE (-1007)
#define ERR_NODEVICE_FORMAC (-1008)

#ifdef __cplusplus
extern "C" {
#endif

/** @brief Starts the socket layer and finds the one usable adapter.
 *  @return 0, or -10 to -15. */
VORNEN_API int32_t VORNEN_CALL En_Open(void);

/** @brief Forgets the adapter and stops the socket layer.
 *  @return always 0. */
VORNEN_API int32_t VORNEN_CALL En_Close(void);

/** @brief Sends bytes to the device's command port (TCP 14001).
 *  @return 0, -1005, a connect code (-100 to -108) or -201. */
VORNEN_API int32_t VORNEN_CALL En_SendStr(const char* host, const char* data, int32_t length);

/** @brief Sends bytes to the command port and collects the reply up to the
 *  terminator (its low 8 bits) or the capacity held in *size.
 *  @return 0 with *size set to the bytes stored, or a negative code. */
VORNEN_API int32_t VORNEN_CALL En_SendRecvStr(const char* host, const char* data, int32_t length,
                                              char* buffer, int32_t* size, int32_t terminator);

/** @brief Finds the address of the device with the given MAC text.
 *  @return 0 with the dotted text in buffer and its length in *capacity,
 *  -1005, -100, -1008 or a UDP code. */
VORNEN_API int32_t VORNEN_CALL En_Get_IPAddress(const char* mac, char* buffer, int32_t* capacity);

/** @brief Gives the device with the given MAC text the wanted address.
 *  @return 0, -100, -1005, -1007 or a TCP code of the setup dialogue. */
VORNEN_API int32_t VORNEN_CALL En_Set_IPAddress(const char* mac, const char* address,
                                                int32_t host_bits);

/** @brief Copies the version text "VornEN.DLL Rev. 1.001".
 *  @return 0 or -1005. */
VORNEN_API int32_t VORNEN_CALL En_Get_Dll_Version(char* buffer, int32_t* length);

#ifdef __cplusplus
}
#endif

#endif /* VORNEN_H */

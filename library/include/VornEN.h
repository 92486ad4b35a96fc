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
/** the socket layer did not start */
#define ERR_WSASTARTUPFAIL (-10)
/** the socket layer did not grant version 2.2 */
#define ERR_WINSOCKVERSIONFAIL (-11)
/** no socket for the adapter query */
#define ERR_SOCKETONINFO (-12)
/** the adapter list could not be read (more than 20 addresses?) */
#define ERR_WSAIOCTLONINFO (-13)
/** no usable network adapter */
#define ERR_NONETWORKINTERFACEONINFO (-14)
/** more than one usable network adapter (use --interface) */
#define ERR_TOOMANYNONETWORKINTERFACE (-15)
/* TCP connect */
/** library not opened, or a connection is in use */
#define ERR_ILLEGALSTATE_ONCONNECTION (-100)
/** the device did not answer the connection in time */
#define ERR_TIMEOUT_ONCONNECTION (-101)
/** no TCP socket */
#define ERR_SOCKET (-102)
/** no network event */
#define ERR_WSACREATEEVENT (-103)
/** the network event could not be bound */
#define ERR_EVENTSELECT (-104)
/** the host is neither an address nor a known name */
#define ERR_GETHOSTBYNAME (-105)
/** the connection failed at once */
#define ERR_CONNECT (-106)
/** network events could not be read while connecting */
#define ERR_NETWORKEVENT_ONCONNECTION (-107)
/** an unexpected network event while connecting */
#define ERR_UNEXPECTEDEVENT_ONCONNECTION (-108)
/* TCP send */
/** send without a connection */
#define ERR_ILLEGALSTATE_ONWRITE (-200)
/** the send failed */
#define ERR_SENDERR (-201)
/* TCP receive */
/** receive without a connection */
#define ERR_ILLEGALSTATE_ONREAD (-300)
/** the device sent nothing in time */
#define ERR_TIMEOUT_ONREAD (-301)
/** network events could not be read */
#define ERR_NETWORKEVENT_ONREAD (-302)
/** the receive failed */
#define ERR_RECVFAIL (-303)
/** the device closed the connection */
#define ERR_UNEXPECTEDEVENT_ONREAD (-304)
/** unexpected read length */
#define ERR_UNEXPECTEDREADLENGTH (-310)
/* TCP release */
/** release without a connection */
#define ERR_ILLEGALSTATE_ONRELSEASE (-400)
/* UDP exchange */
/** library not ready for a discovery */
#define ERR_UDP_ILLEGALSTATE_ONSEND (-500)
/** no datagram socket */
#define ERR_UDP_SOCKET (-501)
/** no network event for the datagram socket */
#define ERR_UDP_WSACREATEEVENT (-502)
/** the datagram event could not be bound */
#define ERR_UDP_EVENTSELECT (-503)
/** no datagram in time */
#define ERR_UDP_TIMEOUT_ONREAD (-504)
/** datagram events could not be read */
#define ERR_UDP_NETWORKEVENT_ONREAD (-505)
/** the datagram target is unknown */
#define ERR_UDP_GETHOSTBYNAME (-506)
/** the datagram could not be sent */
#define ERR_UDP_SENDTO (-507)
/** the datagram was not sent whole */
#define ERR_UDP_CANNOTSENDFULLDATA (-508)
/** a datagram could not be read, was empty or too long */
#define ERR_UDP_RECV (-509)
/** a datagram of the wrong length arrived */
#define ERR_UDP_ILLEGAL_RECV_DATA_BYTE (-510)
/** receive without a pending exchange */
#define ERR_UDP_ILLEGALSTATE_ONRECEIVE (-511)
/** an unexpected datagram event */
#define ERR_UDP_UNEXPECTEDEVENT_ONREAD (-512)
/** end without a pending exchange */
#define ERR_UDP_ILLEGALSTATE_ONEND (-513)
/* Arguments and devices */
/** I/O state could not be set */
#define ERR_MIDDLE_SETIOSTATE (-1001)
/** I/O state could not be read */
#define ERR_MIDDLE_GETIOSTATE (-1002)
/** invalid MAC address */
#define ERR_MIDDLE_ILLEGALMAC (-1003)
/** invalid IP address */
#define ERR_MIDDLE_ILLEGALIP (-1004)
/** an argument is invalid */
#define ERR_ILLEGAL_INPUT_PARAMETER (-1005)
/** wrong state for an address operation */
#define ERR_ILLEGALSTATE_ONIPSETGET (-1006)
/** the address is outside this PC's network */
#define ERR_INPUTED_IP_MAY_UNREACHABLE (-1007)
/** no device answered for that MAC address */
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

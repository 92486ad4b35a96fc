/* SPDX-License-Identifier: MIT */
/**
 * @file VornEN.h
 * @brief VornEN: gives a networked device its IPv4 address by its MAC
 * address, finds that address again, and carries command text to and from
 * the device.
 *
 * The one public header of the library (libVornEN.so.1 on Linux, VornEN.dll
 * on Windows). It compiles as C and as C++.
 *
 * @par Calling the library
 * Open it with En_Open(), which finds the PC's one usable network adapter;
 * then call the others as often as needed; En_Close() ends. The library does
 * nothing when it is loaded. Every export returns a 32-bit signed result
 * code: 0 for success, a negative @c ERR_ code for each kind of failure (see
 * @ref result_codes); nothing is thrown, logged or shown. A failure of the
 * system layer that has no code of its own (memory refused) ends the call
 * with ::ERR_MIDDLE_SETIOSTATE. After any failure the library is usable
 * again from where it was: opened stays opened.
 *
 * @par Texts and size slots
 * Host, MAC and address texts are zero-terminated 8-bit strings that the
 * caller owns; the library only reads them. Data for the device is a byte
 * pointer with an explicit length and need not be text. A size slot is a
 * pointer to an @c int32_t that holds the capacity of the caller's buffer in
 * bytes on entry and the length stored on return. Whether the library
 * writes a terminating zero differs per export and is said for each. The
 * library allocates nothing for the caller and keeps no pointer after a
 * call returns.
 *
 * @par Waits and pauses
 * Every wait for the network is bounded by the wait time-out of 5000 ms:
 * a connect, each read of a reply, each wait for a discovery reply. The
 * protocol has fixed pauses: 20 ms in every TCP connect, 10 ms after the
 * command of En_SendRecvStr(), 10 ms after the discovery query and after
 * each discovery reply, 1 ms before "S0" and 10 ms after each of the five
 * setup records of an assignment. Each export says how long it can block.
 *
 * @par Threads
 * The library holds one connection for the whole process. Calls from
 * several threads take turns on one process-wide lock: a call that arrives
 * while another runs waits until that one has returned (up to its own
 * worst case), then runs as it would alone. The library creates no thread.
 *
 * @par Rights on Linux
 * An address assignment (En_Set_IPAddress()) first writes a permanent entry
 * into the PC's neighbour table, as "arp -s" does on Windows. On Linux the
 * library writes it over netlink, which needs the network-administration
 * right, @c CAP_NET_ADMIN (root has it; a program can be given it with
 * <tt>setcap cap_net_admin+ep PROGRAM</tt>). Without it the entry is
 * missing, the device never learns its new address, and the assignment
 * fails, usually after the wait time-out. The other exports need no rights.
 *
 * @par Choosing the adapter: VORNEN_INTERFACE
 * The library works through exactly one adapter and En_Open() fails with
 * ::ERR_TOOMANYNONETWORKINTERFACE on a PC with several (a container,
 * virtual-machine or Hyper-V switch, a VPN, Wi-Fi beside Ethernet, a second
 * address on one card). The environment variable @c VORNEN_INTERFACE names
 * the one to use. On Linux it is the interface name, e.g.
 * <tt>VORNEN_INTERFACE=eth0</tt>: the adapter list then holds only that
 * interface's IPv4 addresses. On Windows it is the adapter's name as the
 * network connections show it, e.g. <tt>set VORNEN_INTERFACE=Ethernet 2</tt>,
 * compared without regard to case as Windows compares adapter names: the list
 * then holds that adapter's IPv4 addresses; or, when no adapter has that
 * name, one IPv4 address in dotted form, e.g. 192.168.16.1: the list then
 * holds that address alone. It is read at each En_Open(), so a program may
 * change it (setenv(), SetEnvironmentVariable()) between opens and thereby
 * offer its own choice of adapter; unset or empty, the list holds every
 * adapter. A name or address that no adapter has, or an adapter without IPv4
 * address, gives ::ERR_NONETWORKINTERFACEONINFO.
 */
/**
 * @mainpage VornEN
 * The whole interface is one header, VornEN.h: how to call the library, its
 * seven exports with their arguments, results, waits and rights, and the
 * @ref result_codes.
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
/* The module-definition file alone names the DLL's exports; a program with
   the library built in (vornctl.exe) exports nothing. */
#define VORNEN_API
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

/**
 * @def VORNEN_CALL
 * @brief The calling convention of the exports: @c __stdcall on Windows
 * (the callee removes the arguments), the platform's default elsewhere.
 */
/**
 * @def VORNEN_API
 * @brief Marks the exports: imported from the DLL on Windows, default
 * visibility in the library's own build on Linux (on Windows the library's
 * own build takes its exports from VornEN.def).
 */

/** The text that En_Get_Dll_Version() copies: 21 characters. */
#define VORNEN_VERSION_TEXT "VornEN.DLL Rev. 1.001"

/**
 * @defgroup result_codes Result codes
 * @brief The negative results of the exports, grouped by hundreds per layer.
 *
 * Each export lists the codes it can return. Some codes are part of the
 * numbering without any path of the library producing them (-310, -502,
 * -503, -505, -506, -1001 to -1004, -1006). The one-line description of each
 * code is also what programs show for it (vornctl, the Python module).
 * @{
 */

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
/** more than one usable network adapter (VORNEN_INTERFACE or a program's own choice picks one) */
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
/** a call broke off inside the library (memory refused) and released its connection */
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
/** @} */

#ifdef __cplusplus
extern "C" {
#endif

/**
 * @brief Starts the socket layer and finds the PC's one usable adapter.
 *
 * Reads the list of the PC's IPv4 adapter addresses (at most 20) and counts
 * those that are neither loop-back nor point-to-point; whether an adapter is
 * up does not matter. When exactly one counts, its directed broadcast
 * address is kept for discovery and for the subnet test of an assignment,
 * and the library is opened. @c VORNEN_INTERFACE limits the list to one
 * adapter (see the file description). May be called again at any
 * time: each call repeats the search and opens anew. A TCP connection or a
 * discovery in use by another thread is not possible: calls take turns.
 *
 * Sends nothing and does not wait for the network; it returns at once.
 *
 * @return
 * - 0: opened.
 * - ::ERR_WSASTARTUPFAIL (-10), ::ERR_WINSOCKVERSIONFAIL (-11): Windows
 *   only, the socket layer did not start; the library is as before the call.
 * - ::ERR_SOCKETONINFO (-12): no socket for the adapter query.
 * - ::ERR_WSAIOCTLONINFO (-13): the adapter list could not be read, among
 *   other causes because it holds more than 20 addresses.
 * - ::ERR_NONETWORKINTERFACEONINFO (-14): no usable adapter (also: the
 *   adapter named by @c VORNEN_INTERFACE has none, or there is no such
 *   adapter).
 * - ::ERR_TOOMANYNONETWORKINTERFACE (-15): more than one usable adapter;
 *   name one with @c VORNEN_INTERFACE.
 *
 * After -12 to -15 the library is not opened: the other exports fail until
 * an En_Open() succeeds. After -15 the broadcast address of the last usable
 * adapter is kept all the same, so En_Get_IPAddress() then fails with
 * ::ERR_UDP_ILLEGALSTATE_ONSEND (-500) and En_Set_IPAddress() with
 * ::ERR_ILLEGALSTATE_ONCONNECTION (-100), the latter only after it has
 * written the neighbour entry; open successfully first.
 */
VORNEN_API int32_t VORNEN_CALL En_Open(void);

/**
 * @brief Forgets the adapter and stops the socket layer.
 *
 * May be called in any state, also before En_Open() and twice. Sends
 * nothing and returns at once. Afterwards the library is closed: En_SendStr(),
 * En_SendRecvStr(), En_Get_IPAddress() and En_Set_IPAddress() return
 * ::ERR_ILLEGALSTATE_ONCONNECTION (-100) until the next En_Open().
 *
 * @return always 0.
 */
VORNEN_API int32_t VORNEN_CALL En_Close(void);

/**
 * @brief Sends bytes to the device's command port, TCP 14001; expects nothing.
 *
 * Connects to port 14001 of @p host, sends the @p length bytes in one send,
 * shuts the connection down and closes it. The library must be opened.
 *
 * @param host   zero-terminated host text: a dotted IPv4 address such as
 *               "192.168.16.100". At most 16 characters, each a digit, "."
 *               or "A" to "F"; it must convert as a dotted address or
 *               resolve as a host name.
 * @param data   the bytes to send; need not be text nor terminated.
 * @param length the number of bytes to send, at least 1.
 *
 * Blocks for the connect: a 20 ms pause and a wait of up to 5000 ms for it
 * to complete; at most about 5.02 s in all. A device that refuses the
 * connection still counts as connected, and the send then fails.
 *
 * @return
 * - 0: the bytes were handed to the network.
 * - ::ERR_ILLEGAL_INPUT_PARAMETER (-1005): @p host rejected, @p data null or
 *   @p length below 1; nothing was sent.
 * - ::ERR_ILLEGALSTATE_ONCONNECTION (-100): the library is not opened.
 * - -101 to -108: the connect failed (-101 ::ERR_TIMEOUT_ONCONNECTION: no
 *   answer within 5000 ms; -105 ::ERR_GETHOSTBYNAME: the host text neither
 *   converts nor resolves; -102 to -104, -106 to -108: the socket layer).
 * - ::ERR_SENDERR (-201): the send failed.
 *
 * After every result the connection is closed again and an opened library
 * stays opened.
 */
VORNEN_API int32_t VORNEN_CALL En_SendStr(const char* host, const char* data, int32_t length);

/**
 * @brief Sends bytes to the command port, TCP 14001, and collects the reply
 * up to a terminator.
 *
 * Connects to port 14001 of @p host, sends the @p length bytes (nothing when
 * @p length is below 1), pauses 10 ms, then reads the reply and copies it
 * into @p buffer until one of these ends the call with 0: the terminator
 * byte has been stored; a byte arrives when @p buffer is full (that byte and
 * the rest of the reply are dropped); the device closes the connection in
 * order. Finally it shuts the connection down and closes it.
 *
 * @param host       zero-terminated host text, as for En_SendStr().
 * @param data       the bytes to send; not read when @p length is below 1.
 * @param length     the number of bytes to send; below 1 sends nothing.
 * @param buffer     receives the reply; no terminating zero is written.
 * @param size       size slot. In: the capacity of @p buffer in bytes. Out,
 *                   on 0: the number of bytes stored, the terminator
 *                   included when it came. Unchanged on every failure. May
 *                   be null: then the data is sent, the 10 ms pause made,
 *                   and the reply is not read.
 * @param terminator the byte that ends the reply; only its low 8 bits count
 *                   (13 for CR).
 *
 * Blocks for the connect (a 20 ms pause and up to 5000 ms), the 10 ms
 * pause, and up to 5000 ms for each piece of the reply. A device that sends
 * nothing costs about 10.03 s; one that keeps sending pieces less than
 * 5000 ms apart keeps the call reading until the terminator, a full buffer
 * or its close.
 *
 * @return
 * - 0: see above; @p *size holds the count.
 * - ::ERR_ILLEGAL_INPUT_PARAMETER (-1005): @p host rejected; @p length below
 *   1 with @p size null or a capacity below 1; @p buffer null with @p size
 *   given. Nothing was sent.
 * - ::ERR_ILLEGALSTATE_ONCONNECTION (-100): the library is not opened.
 * - -101 to -108: the connect failed, as for En_SendStr().
 * - ::ERR_SENDERR (-201): the send failed (also for a null @p data with
 *   @p length of 1 or more).
 * - ::ERR_TIMEOUT_ONREAD (-301): no more bytes within 5000 ms before the
 *   call could end; the bytes stored so far stay in @p buffer, but
 *   @p *size is not updated.
 * - ::ERR_NETWORKEVENT_ONREAD (-302), ::ERR_RECVFAIL (-303),
 *   ::ERR_UNEXPECTEDEVENT_ONREAD (-304, the connection was closed or reset
 *   without a readable end): the read failed, as for -301.
 *
 * After every result the connection is closed again and an opened library
 * stays opened. Nothing is ever written beyond the capacity.
 */
VORNEN_API int32_t VORNEN_CALL En_SendRecvStr(const char* host, const char* data, int32_t length,
                                              char* buffer, int32_t* size, int32_t terminator);

/**
 * @brief Finds the IPv4 address of the device with the given MAC address.
 *
 * Broadcasts the 4-byte discovery query 00 00 00 F6 to UDP port 30718 at
 * the adapter's directed broadcast address, pauses 10 ms, then reads the
 * 30-byte replies until one carries the MAC address (reply bytes 24 to 29).
 * The result is the address that reply came from. Replies of other devices
 * are skipped, each followed by a 10 ms pause and a new wait.
 *
 * @param mac      zero-terminated MAC text: exactly 17 characters, six pairs
 *                 of upper-case hex digits joined by five "-" or five ":",
 *                 e.g. "00-20-4A-8D-72-33". Lower-case digits are refused.
 * @param buffer   receives the dotted address with its terminating zero
 *                 (at most 16 bytes). Its first byte is set to zero as soon
 *                 as the arguments have passed their checks.
 * @param capacity size slot. In: the capacity of @p buffer, at least 16.
 *                 Out, on 0: the length of the address text without the
 *                 terminator (7 to 15). Unchanged on every failure.
 *
 * Blocks for the 10 ms pause and up to 5000 ms for each reply: when no
 * device answers, about 5.01 s. Replies of other devices that keep
 * arriving less than 5000 ms apart keep the call reading.
 *
 * @return
 * - 0: the address is in @p buffer.
 * - ::ERR_ILLEGAL_INPUT_PARAMETER (-1005): @p mac rejected (first), then a
 *   capacity below 16 or a null @p capacity, then a null @p buffer;
 *   @p buffer untouched.
 * - ::ERR_ILLEGALSTATE_ONCONNECTION (-100): the library is not opened.
 * - ::ERR_NODEVICE_FORMAC (-1008): no reply with this MAC came within
 *   5000 ms of the last datagram.
 * - The query could not be sent: ::ERR_UDP_ILLEGALSTATE_ONSEND (-500, also
 *   after an En_Open() that returned -15), -105, -501, -103,
 *   ::ERR_UDP_SENDTO (-507), ::ERR_UDP_CANNOTSENDFULLDATA (-508).
 * - A datagram ended the search: ::ERR_UDP_ILLEGAL_RECV_DATA_BYTE (-510,
 *   1 to 100 bytes but not 30), ::ERR_UDP_RECV (-509, empty or longer than
 *   100 bytes), or the socket layer failed (-104, -302, -512).
 *
 * After every result an opened library stays opened.
 */
VORNEN_API int32_t VORNEN_CALL En_Get_IPAddress(const char* mac, char* buffer, int32_t* capacity);

/**
 * @brief Gives the device with the given MAC address the wanted IPv4 address.
 *
 * Checks the arguments and that the wanted address sets no bit that the
 * adapter's broadcast address lacks (it lies in the adapter's network).
 * Then: binds the address to the MAC in the PC's neighbour table (a
 * permanent entry; on Linux this needs @c CAP_NET_ADMIN, see the file
 * description; on Windows "arp -s" is run hidden and not waited for); makes
 * one TCP connection attempt to port 1 of the address, whose outcome is
 * ignored (the device takes the address from it); then holds the setup
 * dialogue on TCP port 9999: reads the device's greeting, sends "M", reads
 * again, pauses 1 ms, sends "S0" CR, the five setup records with a 10 ms
 * pause after each, "RS" CR, and closes. The device then uses the address.
 *
 * @param mac       zero-terminated MAC text, as for En_Get_IPAddress().
 * @param address   zero-terminated dotted IPv4 address, e.g.
 *                  "192.168.16.100" (the host text rules of En_SendStr(),
 *                  and it must convert as a dotted address).
 * @param host_bits the number of host bits of the device's netmask, 0 to 32:
 *                  8 for 255.255.255.0, 16 for 255.255.0.0, 24 for 255.0.0.0.
 *
 * Blocks for up to four waits of 5000 ms (the two connects and the two
 * reads) and the fixed pauses (20 ms in each connect, 1 ms, 5 x 10 ms):
 * at most about 20.1 s; about 0.1 s with a device that answers at once.
 *
 * @return
 * - 0: the setup dialogue completed.
 * - ::ERR_ILLEGALSTATE_ONCONNECTION (-100): the library is not opened (this
 *   is checked before the arguments); also when the connection was not
 *   ready for the setup port.
 * - ::ERR_ILLEGAL_INPUT_PARAMETER (-1005): @p mac rejected, @p host_bits
 *   outside 0 to 32, or @p address rejected or not a dotted address.
 * - ::ERR_INPUTED_IP_MAY_UNREACHABLE (-1007): the address is outside the
 *   adapter's network. Nothing has been done at that point.
 * - -101 to -108: the connection to port 9999 failed (-101: no answer in
 *   5000 ms).
 * - -301 to -304: a read of the dialogue failed (-301: the device sent
 *   nothing in 5000 ms, e.g. because it never got the address).
 * - -200, ::ERR_SENDERR (-201): a send of the dialogue failed.
 *
 * After every result an opened library stays opened. The neighbour entry
 * stays, and setup records sent before a failure stay sent.
 */
VORNEN_API int32_t VORNEN_CALL En_Set_IPAddress(const char* mac, const char* address,
                                                int32_t host_bits);

/**
 * @brief Copies the version text "VornEN.DLL Rev. 1.001" (::VORNEN_VERSION_TEXT).
 *
 * Works opened or not, sends nothing, never blocks.
 *
 * @param buffer receives the text.
 * @param length size slot. In: the capacity of @p buffer. Out: 21, the text
 *               length, when the text and its terminating zero fit (22 bytes
 *               or more). With a capacity of 1 to 21 the buffer holds that
 *               many characters without a terminator and @p *length keeps
 *               the capacity. With a negative capacity nothing is copied.
 *
 * @return
 * - 0: as described for @p length (also for a negative capacity).
 * - ::ERR_ILLEGAL_INPUT_PARAMETER (-1005): capacity 0, a null @p buffer or
 *   a null @p length.
 */
VORNEN_API int32_t VORNEN_CALL En_Get_Dll_Version(char* buffer, int32_t* length);

#ifdef __cplusplus
}
#endif

#endif /* VORNEN_H */

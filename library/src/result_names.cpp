#include "result_names.h"

#include "VornEN.h"

namespace vornen {

namespace {

struct Entry {
  int code;
  const char* name;
  const char* description;
};

#define ENTRY(code, text) \
  { code, #code, text }

constexpr Entry kEntries[] = {
    ENTRY(ERR_WSASTARTUPFAIL, "the socket layer did not start"),
    ENTRY(ERR_WINSOCKVERSIONFAIL, "the socket layer did not grant version 2.2"),
    ENTRY(ERR_SOCKETONINFO, "no socket for the adapter query"),
    ENTRY(ERR_WSAIOCTLONINFO, "the adapter list could not be read (more than 20 addresses?)"),
    ENTRY(ERR_NONETWORKINTERFACEONINFO, "no usable network adapter"),
    ENTRY(ERR_TOOMANYNONETWORKINTERFACE, "more than one usable network adapter (use --interface)"),
    ENTRY(ERR_ILLEGALSTATE_ONCONNECTION, "library not opened, or a connection is in use"),
    ENTRY(ERR_TIMEOUT_ONCONNECTION, "the device did not answer the connection in time"),
    ENTRY(ERR_SOCKET, "no TCP socket"),
    ENTRY(ERR_WSACREATEEVENT, "no network event"),
    ENTRY(ERR_EVENTSELECT, "the network event could not be bound"),
    ENTRY(ERR_GETHOSTBYNAME, "the host is neither an address nor a known name"),
    ENTRY(ERR_CONNECT, "the connection failed at once"),
    ENTRY(ERR_NETWORKEVENT_ONCONNECTION, "network events could not be read while connecting"),
    ENTRY(ERR_UNEXPECTEDEVENT_ONCONNECTION, "an unexpected network event while connecting"),
    ENTRY(ERR_ILLEGALSTATE_ONWRITE, "send without a connection"),
    ENTRY(ERR_SENDERR, "the send failed"),
    ENTRY(ERR_ILLEGALSTATE_ONREAD, "receive without a connection"),
    ENTRY(ERR_TIMEOUT_ONREAD, "the device sent nothing in time"),
    ENTRY(ERR_NETWORKEVENT_ONREAD, "network events could not be read"),
    ENTRY(ERR_RECVFAIL, "the receive failed"),
    ENTRY(ERR_UNEXPECTEDEVENT_ONREAD, "the device closed the connection"),
    ENTRY(ERR_UNEXPECTEDREADLENGTH, "unexpected read length"),
    ENTRY(ERR_ILLEGALSTATE_ONRELSEASE, "release without a connection"),
    ENTRY(ERR_UDP_ILLEGALSTATE_ONSEND, "library not ready for a discovery"),
    ENTRY(ERR_UDP_SOCKET, "no datagram socket"),
    ENTRY(ERR_UDP_WSACREATEEVENT, "no network event for the datagram socket"),
    ENTRY(ERR_UDP_EVENTSELECT, "the datagram event could not be bound"),
    ENTRY(ERR_UDP_TIMEOUT_ONREAD, "no datagram in time"),
    ENTRY(ERR_UDP_NETWORKEVENT_ONREAD, "datagram events could not be read"),
    ENTRY(ERR_UDP_GETHOSTBYNAME, "the datagram target is unknown"),
    ENTRY(ERR_UDP_SENDTO, "the datagram could not be sent"),
    ENTRY(ERR_UDP_CANNOTSENDFULLDATA, "the datagram was not sent whole"),
    ENTRY(ERR_UDP_RECV, "a datagram could not be read, was empty or too long"),
    ENTRY(ERR_UDP_ILLEGAL_RECV_DATA_BYTE, "a datagram of the wrong length arrived"),
    ENTRY(ERR_UDP_ILLEGALSTATE_ONRECEIVE, "receive without a pending exchange"),
    ENTRY(ERR_UDP_UNEXPECTEDEVENT_ONREAD, "an unexpected datagram event"),
    ENTRY(ERR_UDP_ILLEGALSTATE_ONEND, "end without a pending exchange"),
    ENTRY(ERR_MIDDLE_SETIOSTATE, "I/O state could not be set"),
    ENTRY(ERR_MIDDLE_GETIOSTATE, "I/O state could not be read"),
    ENTRY(ERR_MIDDLE_ILLEGALMAC, "invalid MAC address"),
    ENTRY(ERR_MIDDLE_ILLEGALIP, "invalid IP address"),
    ENTRY(ERR_ILLEGAL_INPUT_PARAMETER, "an argument is invalid"),
    ENTRY(ERR_ILLEGALSTATE_ONIPSETGET, "wrong state for an address operation"),
    ENTRY(ERR_INPUTED_IP_MAY_UNREACHABLE, "the address is outside this PC's network"),
    ENTRY(ERR_NODEVICE_FORMAC, "no device answered for that MAC address"),
};

#undef ENTRY

const Entry* find(int code) {
  for (const Entry& e : kEntries)
    if (e.code == code) return &e;
  return nullptr;
}

}  // namespace

const char* result_name(int code) {
  const Entry* e = find(code);
  return e != nullptr ? e->name : nullptr;
}

const char* result_description(int code) {
  const Entry* e = find(code);
  return e != nullptr ? e->description : "unknown result code";
}

}  // namespace vornen

// The words vornctl uses for what differs between the systems it runs on:
// who holds the right to change the neighbour table, which of the system's
// own commands lists the adapters and the entries, how an adapter is named,
// and what asks a run to stop. Macros, so that they join the literal texts
// of the command and exit status tables.
#pragma once

#ifdef _WIN32
#define VORNCTL_RIGHT_HOLDER "Run as administrator"
#define VORNCTL_GET_THE_RIGHT "run from a prompt started with Run as administrator"
#define VORNCTL_LIST_ADAPTERS "'ipconfig' lists its adapters"
#define VORNCTL_LIST_ENTRIES "'arp -a' lists the neighbour entries left, as static"
#define VORNCTL_STOP_REQUESTS "Ctrl+C, Ctrl+Break, the console closing"
#define VORNCTL_INTERFACE_HELP                      \
  "use the adapter NAME, by its friendly name or\n" \
  "one of its addresses (needed on a PC with\n"     \
  "several usable adapters)"
#else
#define VORNCTL_RIGHT_HOLDER "root or CAP_NET_ADMIN"
#define VORNCTL_GET_THE_RIGHT "run as root or with CAP_NET_ADMIN"
#define VORNCTL_LIST_ADAPTERS "'ip link' lists its adapters"
#define VORNCTL_LIST_ENTRIES "'ip neigh show nud permanent' lists the neighbour entries left"
#define VORNCTL_STOP_REQUESTS "SIGINT, SIGTERM, SIGHUP"
#define VORNCTL_INTERFACE_HELP "use the adapter NAME (needed on a PC with\nseveral usable adapters)"
#endif

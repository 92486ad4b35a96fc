/*
 * The cases that the Windows library must answer exactly as the Linux one
 * does, written once against a table of the seven exports: the Windows test
 * program fills it from VornEN.dll, the Linux driver from the Linux library.
 *
 * They expect the test bed's layout: the PC at 192.168.16.1/24 and four
 * simulated devices, A (00-20-4A-8D-72-33, 192.168.16.100, answering its
 * command port one byte at a time), B (00-20-4A-8D-72-44, 192.168.16.101,
 * answering in one piece), and C (192.168.16.102) and D (192.168.16.103),
 * which answer a line with "OK" and, 300 ms later, close the connection in
 * order (C) or reset it (D). Nothing else may answer discovery, and nothing
 * may have 192.168.16.104.
 */
#ifndef VORNEN_CASES_H
#define VORNEN_CASES_H

#include <stdio.h>

#include "VornEN.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VornenApi {
  int32_t(VORNEN_CALL* open)(void);
  int32_t(VORNEN_CALL* close)(void);
  int32_t(VORNEN_CALL* send_str)(const char* host, const char* data, int32_t length);
  int32_t(VORNEN_CALL* send_recv_str)(const char* host, const char* data, int32_t length,
                                      char* buffer, int32_t* size, int32_t terminator);
  int32_t(VORNEN_CALL* get_ip_address)(const char* mac, char* buffer, int32_t* capacity);
  int32_t(VORNEN_CALL* set_ip_address)(const char* mac, const char* address, int32_t host_bits);
  int32_t(VORNEN_CALL* get_dll_version)(char* buffer, int32_t* length);
} VornenApi;

#define VORNEN_CASE_PC "192.168.16.1"
#define VORNEN_CASE_MAC_A "00-20-4A-8D-72-33"
#define VORNEN_CASE_ADDRESS_A "192.168.16.100"
#define VORNEN_CASE_MAC_B "00-20-4A-8D-72-44"
#define VORNEN_CASE_ADDRESS_B "192.168.16.101"
#define VORNEN_CASE_MAC_C "00-20-4A-8D-72-66"
#define VORNEN_CASE_ADDRESS_C "192.168.16.102"
#define VORNEN_CASE_MAC_D "00-20-4A-8D-72-77"
#define VORNEN_CASE_ADDRESS_D "192.168.16.103"

/* Runs every case from a closed library and leaves it closed. Writes one
 * "case NAME: OBSERVED" line per call and a "FAIL NAME: ..." line for each
 * result that differs from the expected one; returns the number of those. */
int vornen_run_cases(const VornenApi* api, FILE* out);

#ifdef __cplusplus
}
#endif

#endif /* VORNEN_CASES_H */

// The test conduit's shared pieces. Its behaviour is steered by environment variables:
//   TESTCONDUIT_RECORDS  records to add per sync (default 3)
//   TESTCONDUIT_SIZE     bytes per record (default 16)
//   TESTCONDUIT_FAIL     a result to return after the work
//   TESTCONDUIT_DELAY_MS a pause at each status report (every 100 records)
//   TESTCONDUIT_ACTION   the action CfgConduit stores
#ifndef REELBOX_TESTS_TESTCONDUIT_TEST_CONDUIT_H
#define REELBOX_TESTS_TESTCONDUIT_TEST_CONDUIT_H

#include "conduit_entry.h"

#if defined(_WIN32)
#define TC_EXPORT
#else
#define TC_EXPORT __attribute__((visibility("default")))
#endif

long EnvNumber(const char* name, long fallback);

#endif

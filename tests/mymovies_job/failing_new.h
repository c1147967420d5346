// The test program's own operator new, which can be told to fail one allocation: the way to see
// what the conduit does when memory runs out, on both targets and under the sanitizers.
#ifndef REELBOX_TESTS_MYMOVIES_JOB_FAILING_NEW_H
#define REELBOX_TESTS_MYMOVIES_JOB_FAILING_NEW_H

namespace reelbox_test {

// The nth allocation from now throws std::bad_alloc (the nothrow forms give null); 0 fails none.
void FailAllocation(long nth);
// Allocations made since the last FailAllocation.
long AllocationsSince();

}  // namespace reelbox_test

#endif  // REELBOX_TESTS_MYMOVIES_JOB_FAILING_NEW_H

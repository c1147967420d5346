# The test program's own operator new (see mymovies_job/failing_new.h), for the memory tests of a
# whole synchronization.
target_sources(${exe} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/mymovies_job/failing_new.cpp)

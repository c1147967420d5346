# The end-to-end tests run the hotsync program with the test conduit.
add_dependencies(${exe} hotsync testconduit)

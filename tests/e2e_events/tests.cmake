# The end-to-end tests run the hotsync program with the conduit and its language library.
add_dependencies(${exe} hotsync KVRTConduit KVRTConduitLANG)

// Keeps the core library non-empty while the subsystems are being filled in.
namespace reelbox_core_placeholder { int unused = 0; }

#include "platform/files.h"

namespace {
class PosixFileSystem final : public FileSystem {};
}  // namespace

std::unique_ptr<FileSystem> NewPlatformFileSystem() { return std::make_unique<PosixFileSystem>(); }

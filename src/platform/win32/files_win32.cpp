#include "platform/files.h"

namespace {
class Win32FileSystem final : public FileSystem {};
}  // namespace

std::unique_ptr<FileSystem> NewPlatformFileSystem() { return std::make_unique<Win32FileSystem>(); }

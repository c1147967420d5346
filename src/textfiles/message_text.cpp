#include "textfiles/message_text.h"

#include <cstring>

void JoinMessage(char* out, size_t size, std::initializer_list<const char*> parts) {
  if (size == 0) return;
  size_t length = 0;
  for (const char* part : parts) {
    if (part == nullptr) continue;
    size_t n = std::strlen(part);
    if (n > size - 1 - length) n = size - 1 - length;
    std::memmove(out + length, part, n);
    length += n;
  }
  out[length] = '\0';
}

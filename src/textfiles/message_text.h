// Error messages of the desktop file objects: parts joined into a fixed buffer, cut to fit.
#ifndef REELBOX_TEXTFILES_MESSAGE_TEXT_H
#define REELBOX_TEXTFILES_MESSAGE_TEXT_H

#include <cstddef>
#include <initializer_list>

// Joins the parts (null parts count as empty) into out, NUL-terminated, at most size - 1 bytes.
void JoinMessage(char* out, size_t size, std::initializer_list<const char*> parts);

#endif  // REELBOX_TEXTFILES_MESSAGE_TEXT_H

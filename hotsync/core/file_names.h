// How names become file and folder names, the same on both targets so a handheld folder or a
// HotSync root can move between them.
#ifndef HOTSYNC_CORE_FILE_NAMES_H
#define HOTSYNC_CORE_FILE_NAMES_H

#include <string>

namespace hotsync {

// A database name as a file name without extension: every byte a Windows file name cannot hold
// (controls, <>:"/\|?*, bytes above 0x7E, a trailing blank or dot) and "=" itself is written as
// "=" and two upper-case hex digits.
std::string EncodeDatabaseFileName(const std::string& name);
// The inverse; a malformed escape is kept as it stands.
std::string DecodeDatabaseFileName(const std::string& file_name);

// A user's folder name: letters, digits and blanks as they stand, anything else escaped as above.
std::string UserFolderName(const std::string& user_name);

}  // namespace hotsync

#endif  // HOTSYNC_CORE_FILE_NAMES_H

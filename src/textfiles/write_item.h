// One line of a tab-delimited movie file: the header or a record.
#ifndef REELBOX_TEXTFILES_WRITE_ITEM_H
#define REELBOX_TEXTFILES_WRITE_ITEM_H

class Clock;
class DataRecord;
class DesktopFile;
class FieldMap;

// Writes one line to an open file: the map's field names (record null) or the record's field texts,
// encoded, TAB-separated, ended by a line feed. Columns without a field are left out of a record's
// line; dates are written in the short date form of clock. True when the whole line was written;
// the file's error state holds the reason otherwise.
bool WriteItem(Clock& clock, DesktopFile* file, FieldMap* map, DataRecord* record);

#endif  // REELBOX_TEXTFILES_WRITE_ITEM_H

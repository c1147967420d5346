#include "movies/data_record.h"

const char* Describable::Describe() { return "<unknown>"; }

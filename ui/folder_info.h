#pragma once
// The texts of the folder-details box (the "情報" command). Nothing is computed or reformatted:
// the values come unchanged from the node's report line. Pieces are separated by a tab (the box
// lines the values up in one column) and lines by "\r". Results are UTF-8.
#include "core/field_splitter.h"

#include <string>
#include <string_view>

namespace dg::ui {

// The names of the attribute bits set in the value of an attributes field, each with its
// trailing blank, in the order ReadOnly, Hidden, System, Directory, Archive, Compressed. A field
// that is not a 32-bit integer gives no names; other bits add nothing.
std::string attributeNames(std::string_view attributesField);

// A drive root node: the drive (field 0) and usage rate (field 2) of the drive line that stands
// before the root line (for POSIX paths the volume line, its path shown without the ":"). Missing
// fields show as empty text. Text is read in the report's encoding (kind).
std::string driveDetails(std::string_view driveLine, FieldSplitter& splitter, ReportKind kind = {});

// A folder node: the full path (field 0), creation date (2), update date (3) and attributes (4)
// of its own line, the attributes both as written and by name. Missing fields show as empty text.
std::string folderDetails(std::string_view folderLine, FieldSplitter& splitter, ReportKind kind = {});

} // namespace dg::ui

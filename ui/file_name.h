#pragma once
// File names as the viewer carries them in QStrings.
//
// On this system a file name is a string of bytes, usually UTF-8 but not always (a name written
// by a program in Shift-JIS, say). Qt's own conversion (QFile::decodeName) turns bytes that are
// not UTF-8 into U+FFFD, after which the file can no longer be opened. So names are decoded and
// encoded here instead: well-formed UTF-8 exactly as Qt does, and every other byte b as the code
// point U+DC00 + b (U+DC80 to U+DCFF: lone low surrogates, which well-formed UTF-8 never gives),
// and back. Every byte string survives the round trip unchanged; the title and messages show such
// a byte as a replacement glyph.
#include <QString>

#include <string>
#include <string_view>

class QUrl;

namespace dg::ui {

QString fileNameText(std::string_view bytes);
std::string fileNameBytes(const QString& name);

// The local file a file URL names (a dropped file), its percent-encoded bytes taken as they are;
// an empty name for a URL that is not a local file.
QString fileNameOfUrl(const QUrl& url);

// A name that went through Qt's own decoding (the file dialog's choice) made usable again: when it
// names nothing as it stands, each component spoilt by U+FFFD is replaced by the one entry of its
// folder that Qt decodes to the same text. Anything else is returned unchanged.
QString recoverDecodedName(const QString& name);

} // namespace dg::ui

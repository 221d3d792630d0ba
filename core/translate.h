#pragma once
// The one door through which the Qt-free layers (core, settings, diag, scan, the tools) have their
// user texts translated. Such a text is marked where it is written, with DG_TRANSLATE_NOOP, so that
// lupdate collects it into the catalogues (translations/), and translated where it is composed,
// through the translator the program installs at start-up. With none installed every text is its
// own source, byte for byte.
#include <initializer_list>
#include <string>
#include <string_view>

// Marks `text` as a source text of the catalogues, in `context`; the value is `text` itself.
// (lupdate reads it as QT_TRANSLATE_NOOP: `lupdate -tr-function-alias QT_TRANSLATE_NOOP+=DG_TRANSLATE_NOOP`.)
#define DG_TRANSLATE_NOOP(context, text) text

namespace dg::i18n {

// Answers the translation of `source` in `context`, or `source` itself when the catalogue has
// none. The text it returns must stay valid for the rest of the process, and it may be called
// from any thread.
using Translator = std::string_view (*)(std::string_view context, std::string_view source);

// Installs the process's translator (nullptr: none). Call it once at start-up, before other
// threads run.
void setTranslator(Translator translator) noexcept;

// The translation of a marked text, through the installed translator.
std::string_view translate(std::string_view context, std::string_view source);

// The translation of a marked text with "%1" … "%9" replaced by `args` (in one pass: an argument
// that itself holds "%2" stays as it is). "%%" is no escape; a "%n" without its argument stays.
std::string format(std::string_view context, std::string_view source, std::initializer_list<std::string_view> args);

// `text` with "%1" … "%9" replaced by `args` as format() does, untranslated.
std::string substitute(std::string_view text, std::initializer_list<std::string_view> args);

} // namespace dg::i18n

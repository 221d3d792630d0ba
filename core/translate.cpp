#include "core/translate.h"

#include <atomic>

namespace dg::i18n {
namespace {

std::atomic<Translator> g_translator{nullptr};

} // namespace

void setTranslator(Translator translator) noexcept
{
    g_translator.store(translator, std::memory_order_release);
}

std::string_view translate(std::string_view context, std::string_view source)
{
    const Translator translator = g_translator.load(std::memory_order_acquire);
    return translator != nullptr ? translator(context, source) : source;
}

std::string format(std::string_view context, std::string_view source, std::initializer_list<std::string_view> args)
{
    return substitute(translate(context, source), args);
}

std::string substitute(std::string_view text, std::initializer_list<std::string_view> args)
{
    std::string out;
    out.reserve(text.size() + 64);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(text[i + 1] - '1');
            if (n < args.size()) {
                out.append(args.begin()[n]);
                ++i;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

} // namespace dg::i18n

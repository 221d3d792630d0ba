#include "ui/error_guard.h"

#include "core/errors.h"
#include "core/system_file.h"

#include <QCoreApplication>

#include <cerrno>
#include <exception>
#include <new>

namespace dg::ui {

void ErrorGuard::handleCurrentException() noexcept
{
    // Showing the box may itself fail (out of memory); nothing may escape the guard then either.
    try {
        try {
            throw;
        } catch (const SizeError& e) {
            m_dialogs.message(QString::fromUtf8(e.what()));
            if (m_endProgram)
                m_endProgram(1);
        } catch (const std::bad_alloc&) {
            // A load names its file itself (FileOpenError); anything else gets the system's words.
            m_dialogs.error(QString::fromStdString(sys::systemReason(ENOMEM)));
        } catch (const std::exception& e) {
            m_dialogs.error(QString::fromUtf8(e.what()));
        } catch (...) {
            m_dialogs.error(QCoreApplication::translate("ErrorGuard", "予期しないエラーが発生しました。"));
        }
    } catch (...) {
    }
}

} // namespace dg::ui

#include "generalerrorhandler.h"

#include "base/kalidorerror.h"
#include "base/visiblecontrols.h"
#include "messagebox.h"

namespace GeneralErrorHandler {

namespace {

QString ownText(const std::exception &error)
{
    if (const auto *kalidorError = dynamic_cast<const KalidorError *>(&error))
        return kalidorError->text();
    return QString::fromUtf8(error.what());
}

// Follows std::nested_exception links to the innermost error.
QString innermostText(const std::exception &error)
{
    try {
        std::rethrow_if_nested(error);
    } catch (const std::exception &inner) {
        return innermostText(inner);
    } catch (...) {
        return {};
    }
    return ownText(error);
}

} // namespace

QString errorText(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &escaped) {
        const QString inner = innermostText(escaped);
        return inner.isEmpty() ? ownText(escaped) : inner;
    } catch (...) {
        return QStringLiteral("Unexpected error");
    }
}

QString displayText(std::exception_ptr error)
{
    // A path or a name in the text may hold control characters; the message shows them.
    QString text = withVisibleControls(errorText(error));
    if (!text.isEmpty() && text.back() > u'.')
        text += u'.';
    return text;
}

void report(std::exception_ptr error)
{
    showMessageBox(nullptr, MessageKind::Error, displayText(error));
}

} // namespace GeneralErrorHandler

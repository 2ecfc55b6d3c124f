#include "failuredetails.h"

#include "base/kalidorerror.h"
#include "base/visiblecontrols.h"
#include "generalerrorhandler.h"

namespace {

QString detailsOf(std::exception_ptr error, const QString &path)
{
    try {
        std::rethrow_exception(error);
    } catch (const KalidorError &failure) {
        return failure.inFile(path).text();
    } catch (...) {
        // Not the core's own: running out of memory, say. It still names the file.
        return KalidorError::at(path, GeneralErrorHandler::errorText(error)).text();
    }
}

} // namespace

QString failureDetails(std::exception_ptr error, const QString &path)
{
    // A path or a name may hold control characters; the details show them.
    return withVisibleControls(detailsOf(error, path));
}

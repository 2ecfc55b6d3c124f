#include "reportfile.h"

#include "base/kalidorerror.h"
#include "reportstephook.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace {

ReportStepHook stepHook = nullptr;

void reach(ReportStep step)
{
    if (stepHook && !stepHook(step))
        throw KalidorError(QStringLiteral("the step was made to fail"));
}

} // namespace

void setReportStepHook(ReportStepHook hook)
{
    stepHook = hook;
}

ReportFile::ReportFile(const QString &path)
    : m_path(path)
{
}

ReportFile::~ReportFile()
{
    removeScratch();
}

void ReportFile::removeScratch()
{
    m_scratch.reset();
    if (!m_scratchPath.isEmpty())
        removeFile(m_scratchPath);
    m_scratchPath.clear();
    m_signalsWait.reset();
}

void ReportFile::begin()
{
    removeScratch();
    m_written = 0;
    m_signalsWait.emplace();
    try {
        reach(ReportStep::Create);
        // The mode a new file gets, less the umask.
        m_scratch.emplace(OpenFile::createUnique(m_path + QStringLiteral(".part"),
            S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH, m_scratchPath));
        keepIdentityOfReplaced();
    } catch (const KalidorError &error) {
        throw KalidorError::at(m_path,
            QStringLiteral("cannot be written: no file can be made beside it: %1")
                .arg(error.reason()));
    }
}

// A report that replaces one keeps who may read it. Where the old one cannot be read, or the
// platform does not let this user give all of that, the new file keeps the usual mode.
void ReportFile::keepIdentityOfReplaced()
{
    try {
        if (const std::optional<OpenFile> replaced = OpenFile::openIfExists(m_path, false))
            m_scratch->takeIdentityOf(*replaced);
    } catch (const KalidorError &) {
    }
}

void ReportFile::append(QByteArrayView bytes)
{
    try {
        reach(ReportStep::Write);
        m_scratch->writeAt(m_written, bytes);
        m_written += bytes.size();
    } catch (const KalidorError &error) {
        throw KalidorError::at(m_path, QStringLiteral("cannot be written: %1").arg(error.reason()));
    }
}

void ReportFile::finish()
{
    try {
        reach(ReportStep::Sync);
        m_scratch->sync();
        reach(ReportStep::Close);
        m_scratch->close();
    } catch (const KalidorError &error) {
        throw KalidorError::at(
            m_path, QStringLiteral("cannot be written to the disk: %1").arg(error.reason()));
    }
}

void ReportFile::publish()
{
    try {
        reach(ReportStep::Rename);
        if (!renameOver(m_scratchPath, m_path))
            throw KalidorError(QStringLiteral("the folder does not let this user replace it"));
        m_scratchPath.clear();
        m_scratch.reset();
        m_signalsWait.reset();
    } catch (const KalidorError &error) {
        throw KalidorError::at(
            m_path, QStringLiteral("cannot be given its name: %1").arg(error.reason()));
    }
    try {
        reach(ReportStep::SyncFolder);
        syncFolder(QFileInfo(m_path).absolutePath());
    } catch (const KalidorError &error) {
        throw KalidorError::at(m_path,
            QStringLiteral("its name may not be on the disk: the folder cannot be synced: %1")
                .arg(error.reason()));
    }
}

#include "uninstall/PackageReceipts.h"

#include "platform/ChildProcess.h"

QStringList candidateReceiptIds(const QString& packageId, const QString& slug)
{
    return {packageId, QStringLiteral("audio.brenvoss.tesselar.native.") + slug,
            QStringLiteral("audio.brenvoss.tesselar.dsp.") + slug};
}

QStringList receiptLines(const QString& output)
{
    return output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

std::optional<QStringList> packageFiles(const QString& receiptId, const SystemRoot& root)
{
    const ChildOutcome child =
        runChildProcess(root.resolve(QStringLiteral("/usr/sbin/pkgutil")),
                        {QStringLiteral("--files"), receiptId}, StandardOutput::Capture);
    if (child.launchError || child.exitStatus != 0)
        return std::nullopt;
    return receiptLines(strictUtf8(child.standardOutput));
}

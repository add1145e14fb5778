// The vehicle report on the window: the tool-bar button, its file dialog in the data folder's
// "Reports", and the write that never leaves a half-written report in place of an earlier one.

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "app/DataFolder.h"
#include "app/DownloadView.h"
#include "app/ReportDocument.h"
#include "platform/FileAccess.h"

namespace dravik {

namespace {

const QString kCaption = QStringLiteral("Save report");

// "TAVIRON A37 2026-12-11 0930.pdf": the product's name with what a file name cannot hold replaced.
QString proposedName(const QString& product, const QDateTime& now) {
    QString name = product.trimmed();
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]")), QStringLiteral("_"));
    if (name.isEmpty()) name = QStringLiteral("report");
    return name + QLatin1Char(' ') + now.toString(QStringLiteral("yyyy-MM-dd HHmm")) + QStringLiteral(".pdf");
}

}  // namespace

void DownloadView::wireReport() {
    connect(ui_.toolStripButtonSaveReport, &QAction::triggered, this, [this] { saveReport(); });
}

// Refused while an operation runs, before the dialog and again after it: a report made then
// would show values half read or half written.
void DownloadView::saveReport() {
    Controller& c = *controller_;
    const auto refusedWhileBusy = [this, &c] {
        if (!c.handler().panelOperationRunning() && !backgroundWorker1_.isBusy()) return false;
        message(QStringLiteral("There is another process in progress"), QStringLiteral("Command"),
                Buttons::Ok, Icon::Warning);
        return true;
    };
    if (refusedWhileBusy()) return;
    SessionReport& report = c.report();
    if (!report.started()) {
        message(QStringLiteral("No product has been found yet: there is nothing to report."), kCaption,
                Buttons::Ok, Icon::Warning);
        return;
    }
    const QString folder = QDir(mainDataFolder()).filePath(QStringLiteral("Reports"));
    QDir().mkpath(folder);
    const QString path = chooseFile({FileDialogRequest::Mode::Save, kCaption,
                                     proposedName(c.session().product.Prd_Name, QDateTime::currentDateTime()),
                                     QStringLiteral("pdf"), QStringLiteral("PDF files (*.pdf)"), folder});
    if (path.isEmpty() || refusedWhileBusy()) return;
    // A folder named but not there yet (typed in the dialog, given by a script) is made.
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray pdf = reportPdf(c.reportContent(appName().simplified()));
    const QString reason =
        pdf.isEmpty() ? QStringLiteral("the PDF could not be made") : writeFileSafely(path, pdf);
    const QString shown = displayPath(path);
    if (!reason.isEmpty()) {
        message(QStringLiteral("The report %1 cannot be written: %2").arg(shown, reason), kCaption,
                Buttons::Ok, Icon::Error);
        appendLog(QStringLiteral("Report not saved: %1: %2").arg(shown, reason) + kCrLf);
        return;
    }
    appendLog(QStringLiteral("Report saved: ") + shown + kCrLf);
}

}  // namespace dravik

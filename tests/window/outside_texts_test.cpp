// Texts from the database, files and recordings are shown as they are in every label of the
// window: never as markup, and never reordered by a direction override.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include "app/DataFolder.h"
#include "app/DownloadView.h"
#include "app/SessionRecording.h"
#include "database/ProductDatabase.h"
#include "link/Clock.h"
#include "link/RecordingLibrary.h"
#include "link/SimulatedInterfaceLibrary.h"
#include "sim/Bench.h"

using namespace dravik;

namespace {

const QString kRlo = QString(QChar(0x202E));
// Markup in the recording's file name; Windows allows no "<" in a name, so there an entity stands in.
#ifdef _WIN32
const QString kRecordingMarkup = QStringLiteral("&lt;i&gt;");
#else
const QString kRecordingMarkup = QStringLiteral("<i>");
#endif
const QString kProductName = QStringLiteral("A37 <b>BOLD</b> <img src=\"x\">");
const QString kFunctionName = QStringLiteral("<i>ital</i> &lt;not&gt;<br>");
const QString kDescription = QStringLiteral("<b>desc</b> & more");

bool runSql(const QString& file, const QString& sql) {
    sqlite3* db = nullptr;
    const bool opened =
        sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    const bool ran =
        opened && sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ran;
}

QString sqlText(const QString& text) {
    return QStringLiteral("'") + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

// What a tool tip shows: one that looks like markup is read as markup.
QString shownToolTip(const QString& tip) {
    if (!Qt::mightBeRichText(tip)) return tip;
    QTextDocument doc;
    doc.setHtml(tip);
    return doc.toPlainText();
}

}  // namespace

TEST(OutsideTexts, EveryLabelShowsThemAsPlainText) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("DRAVIK_DATA_DIR", dir.filePath(QStringLiteral("data")).toLocal8Bit());
    const QString database = dir.filePath(QString::fromLatin1(kProductDatabaseFileName));
    ASSERT_TRUE(QFile::copy(QStringLiteral(DRAVIK_SAMPLE_DATABASE), database));
    QFile(database).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(runSql(
        database, QStringLiteral("UPDATE Products SET Name = %1 WHERE Identification_1 = 37;"
                                 "UPDATE Fnc_Name SET Name_EN = %2, Description_EN = %3 WHERE FncName_ID = 1;"
                                 "UPDATE Fnc_Name SET Name_EN = 'bell' || char(7) || 'name' "
                                 "WHERE FncName_ID = 2;")
                      .arg(sqlText(kProductName), sqlText(kFunctionName), sqlText(kDescription))));

    ensureDataFolders();  // made before: a missing folder is told in a box
    std::string error;
    auto bench = sim::loadBenchFile(DRAVIK_SOURCE_DIR "/data/benches/standard.json", error);
    ASSERT_TRUE(bench) << error;
    RealClock clock;
    SimulatedInterfaceLibrary simulated(clock, std::move(*bench));
    RecordingLibrary lib(clock, simulated);
    {
        DownloadView view(clock, lib);
        view.setDatabaseFolder(dir.path());
        SessionRecording recording({lib, view.ui().recordSessionToolStripMenuItem,
                                    view.ui().stopRecordingToolStripMenuItem, view.ui().StatusLabel_recording,
                                    view, view, view, QStringLiteral("simulated"), [&] { return database; },
                                    [&] { return dir.path(); }});
        view.setSessionRecording(&recording);
        QString recordError;
        ASSERT_TRUE(recording.start(dir.filePath(kRecordingMarkup + QStringLiteral("rec") + kRlo +
                                                 QStringLiteral("lnosj.jsonl")),
                                    QStringLiteral("menu"), &recordError))
            << recordError.toStdString();
        view.show();

        // The product found and its panel read.
        QElapsedTimer waited;
        waited.start();
        const auto panelRead = [&] {
            return view.logText().contains(QStringLiteral("Found product")) &&
                   view.ui().label_progressBar_car->text() == QStringLiteral("Process terminated");
        };
        while (!panelRead() && waited.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ASSERT_TRUE(panelRead()) << view.logText().toStdString();

        const auto* product = view.findChild<QLabel*>(QStringLiteral("label_Product"));
        const auto* first = view.findChild<QLabel*>(QStringLiteral("label_Function_1"));
        const auto* second = view.findChild<QLabel*>(QStringLiteral("label_Function_2"));
        ASSERT_TRUE(product && first && second);
        EXPECT_TRUE(product->text().contains(kProductName)) << product->text().toStdString();
        EXPECT_EQ(first->text(), QStringLiteral("01 - ") + kFunctionName);
        EXPECT_EQ(shownToolTip(first->toolTip()), kDescription);
        // On its button the name's "&" is not taken for a shortcut mark.
        const auto* button = view.findChild<QPushButton*>(QStringLiteral("button_Function_1"));
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(QKeySequence::mnemonic(button->text()).isEmpty()) << button->text().toStdString();
        EXPECT_EQ(shownToolTip(button->toolTip()), kFunctionName);
        // A control character is shown as its code.
        EXPECT_EQ(second->text(), QStringLiteral("02 - bell[U+0007]name"));
        EXPECT_EQ(view.ui().StatusLabel_recording->text(),
                  QStringLiteral("Recording: ") + kRecordingMarkup + QStringLiteral("rec[U+202E]lnosj.jsonl"));

        // Whatever a label holds, it shows it as text.
        const QList<QLabel*> labels = view.findChildren<QLabel*>();
        ASSERT_GT(labels.size(), 20);
        for (const QLabel* label : labels) {
            if (label->text().isEmpty()) continue;
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
            EXPECT_FALSE(label->text().contains(kRlo)) << label->objectName().toStdString();
        }

        // A message box naming such a text.
        Qt::TextFormat boxFormat = Qt::RichText;
        QString boxText;
        QTimer::singleShot(0, &view, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxFormat = box->textFormat();
                boxText = box->text();
                box->accept();
            }
        });
        view.message(QStringLiteral("Cannot open ") + kProductName + kRlo, QStringLiteral("Open"),
                     Dialogs::Buttons::Ok, Dialogs::Icon::Error);
        EXPECT_EQ(boxFormat, Qt::PlainText);
        EXPECT_EQ(boxText, QStringLiteral("Cannot open ") + kProductName + QStringLiteral("[U+202E]"));
        recording.stop();
    }
    qunsetenv("DRAVIK_DATA_DIR");
}

#pragma once
// A small main window with one control of each kind a script drives, recording what reached it,
// and a helper that runs a script against it to the end.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "script/ScriptRunner.h"

namespace dravik::scripttest {

struct Fixture {
    QMainWindow window;
    QPushButton* button = nullptr;
    QPushButton* disabledButton = nullptr;
    QPushButton* dialogButton = nullptr;
    QPushButton* askButton = nullptr;
    QPushButton* fileButton = nullptr;
    QCheckBox* check = nullptr;
    QComboBox* combo = nullptr;
    QLineEdit* edit = nullptr;
    QLabel* label = nullptr;
    QTabWidget* tabs = nullptr;
    QAction* powerOff = nullptr;
    int clicks = 0;
    int powerOffs = 0;
    QList<int> activated;
    QStringList edited;
    int dialogResult = -1;
    QList<Dialogs::Answer> answers;
    QStringList files;  // what the file dialogs of fileButton were answered
    ScriptRunner* runner = nullptr;  // set by run(), for the controls that show message boxes

    Fixture() {
        window.setObjectName(QStringLiteral("mainWindow"));
        window.setWindowTitle(QStringLiteral("Dravik test"));
        auto* connection = window.menuBar()->addMenu(QStringLiteral("&Connection"));
        powerOff = connection->addAction(QStringLiteral("Power &off\tCtrl+O"));
        powerOff->setObjectName(QStringLiteral("closeToolStripMenuItem"));
        QObject::connect(powerOff, &QAction::triggered, [this] { ++powerOffs; });
        auto* settings = window.menuBar()->addMenu(QStringLiteral("Settings"));
        settings->addMenu(QStringLiteral("Language"))->addAction(QStringLiteral("English"));
        settings->setEnabled(false);

        tabs = new QTabWidget;
        tabs->setObjectName(QStringLiteral("tabControl1"));
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        button = addButton(layout, "button");
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
        disabledButton = addButton(layout, "disabledButton");
        disabledButton->setEnabled(false);
        dialogButton = addButton(layout, "dialogButton");
        QObject::connect(dialogButton, &QPushButton::clicked, [this] { openDialog(); });
        askButton = addButton(layout, "askButton");
        QObject::connect(askButton, &QPushButton::clicked, [this] {
            answers.append(runner->onMessage(QStringLiteral("Command"), QStringLiteral("Really?\r\n")));
        });
        fileButton = addButton(layout, "fileButton");
        QObject::connect(fileButton, &QPushButton::clicked,
                         [this] { files.append(runner->onFileDialog(QStringLiteral("Open configuration file"))); });
        check = new QCheckBox(QStringLiteral("Auto conn"));
        check->setObjectName(QStringLiteral("check"));
        layout->addWidget(check);
        combo = new QComboBox;
        combo->setObjectName(QStringLiteral("combo"));
        combo->addItems(
            {QStringLiteral("0 - No changes"), QStringLiteral("1 - 9600"), QStringLiteral("2 - 1200")});
        QObject::connect(combo, &QComboBox::activated, [this](int index) { activated.append(index); });
        layout->addWidget(combo);
        edit = new QLineEdit(QStringLiteral("old"));
        edit->setObjectName(QStringLiteral("edit"));
        QObject::connect(edit, &QLineEdit::textEdited, [this](const QString& text) { edited.append(text); });
        layout->addWidget(edit);
        tabs->addTab(page, QStringLiteral("Car programmer"));

        auto* group = new QGroupBox(QStringLiteral("Product"));
        group->setObjectName(QStringLiteral("groupBox_Product"));
        auto* groupLayout = new QVBoxLayout(group);
        label = new QLabel(QStringLiteral("No product connected."));
        label->setObjectName(QStringLiteral("label_Product"));
        QPalette red = label->palette();
        red.setColor(QPalette::WindowText, QColor(255, 0, 0));
        label->setPalette(red);
        groupLayout->addWidget(label);
        tabs->addTab(group, QStringLiteral("&Test"));
        window.setCentralWidget(tabs);
        window.show();
    }

    QPushButton* addButton(QVBoxLayout* layout, const char* name) {
        auto* b = new QPushButton(QString::fromLatin1(name));
        b->setObjectName(QString::fromLatin1(name));
        layout->addWidget(b);
        return b;
    }

    void openDialog() {
        QDialog dialog(&window);
        dialog.setObjectName(QStringLiteral("aboutDialog"));
        dialog.setWindowTitle(QStringLiteral("About"));
        auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
        ok->setObjectName(QStringLiteral("aboutOk"));
        QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
        dialogResult = dialog.exec();
    }
};

struct RunResult {
    int code = -1;
    QString out;
    QString err;
};

// Runs a script to its end, or gives up after two seconds of event loop.
inline RunResult run(Fixture& f, const QString& script, ScriptHooks hooks = {}, const QString& file = {}) {
    ScriptRunner runner(&f.window, std::move(hooks));
    f.runner = &runner;
    RunResult result;
    runner.setPrinters([&](const QString& t) { result.out += t; },
                       [&](const QString& t) { result.err += t; });
    QEventLoop loop;
    QObject::connect(&runner, &ScriptRunner::finished, &loop, [&](int code) { loop.exit(code); });
    QTimer::singleShot(2000, &loop, [&] { loop.exit(-99); });
    if (file.isEmpty())
        runner.startText(script);
    else
        runner.startFile(file);
    result.code = loop.exec();
    f.runner = nullptr;
    return result;
}

}  // namespace dravik::scripttest

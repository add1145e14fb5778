#pragma once
// The About dialog: program name, version and supported product models. Modal; only its OK button
// closes it (no close box, Escape and window-close requests are ignored).

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace dravik {

class About : public QDialog {
    Q_OBJECT
  public:
    explicit About(QWidget* parent = nullptr);

    QLabel* labelVer = nullptr;
    QLabel* labelProducts = nullptr;
    QListWidget* listBoxProducts = nullptr;
    QPushButton* buttonOk = nullptr;

    // major.minor.build of the program.
    static QString versionText();

  public slots:
    void reject() override;

  private slots:
    void buttonOk_Click();
};

}  // namespace dravik

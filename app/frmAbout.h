// frmAbout: the About dialog with the program's banner, its version, the description from the
// language file (or the hint that no language file was found) and the copyright line. Shown
// modally by the main window and closed with OK.
#pragma once

#include <QDialog>

class QLabel;

class frmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit frmAbout(QWidget* owner);

    QString VersionText() const;
    QString DescriptionText() const;

  private:
    QLabel* lblVersion;
    QLabel* lblDescription;
};

#include "frmAbout.h"

#include <QLabel>
#include <QPushButton>

#include "FormLayout.h"
#include "VersionFile.h"
#include "modLang.h"

frmAbout::frmAbout(QWidget* owner) : QDialog(owner) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    FormLayout::Build(this, QStringLiteral("frmAbout.layout"));
    lblVersion = findChild<QLabel*>(QStringLiteral("lblVersion"));
    lblDescription = findChild<QLabel*>(QStringLiteral("lblDescription"));
    auto* cmdOK = findChild<QPushButton*>(QStringLiteral("cmdOK"));
    if (!lblVersion || !lblDescription || !cmdOK)
        throw LayoutError("the About dialog's layout lacks a control");
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    cmdOK->setDefault(true);

    setWindowTitle(LangText(61, false, false, QStringLiteral("About...")));
    lblVersion->setText(QStringLiteral("v. ") + ::VersionText(kInstalledVersion));
    lblDescription->setText(LangText(
        65, false, false,
        QStringLiteral("No language files found. Please ensure that the *.lng files exist in the "
                       "folder where this program is running from!")));
}

QString frmAbout::VersionText() const {
    return lblVersion->text();
}

QString frmAbout::DescriptionText() const {
    return lblDescription->text();
}

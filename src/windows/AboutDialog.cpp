#include "windows/AboutDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace k7 {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    const QString version = QStringLiteral("%1.%2").arg(kVersionMajor).arg(kVersionMinor);
    setWindowTitle(QStringLiteral("K7 - Version ") + version);

    auto* name = new QLabel(QStringLiteral("K7"), this);
    QFont big = name->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    name->setFont(big);
    auto* versionLabel = new QLabel(QStringLiteral("Version ") + version, this);
    versionLabel->setObjectName(QStringLiteral("versionlabel"));
    auto* purpose = new QLabel(QStringLiteral("Data entry for excavation and laboratory records"), this);
    auto* makers = new QLabel(QStringLiteral("Written by the K7 developers"), this);
    m_close = new QPushButton(QStringLiteral("&OK"), this);
    m_close->setObjectName(QStringLiteral("Command1"));
    m_close->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    for (QLabel* label : {name, versionLabel, purpose, makers}) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    layout->addSpacing(12);
    layout->addWidget(m_close, 0, Qt::AlignCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutDialog::setSplash(bool splash)
{
    m_close->setEnabled(!splash);
    setWindowFlag(Qt::SplashScreen, splash);
}

}  // namespace k7

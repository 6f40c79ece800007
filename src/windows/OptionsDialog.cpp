#include "windows/OptionsDialog.h"

#include "cfg/Model.h"
#include "cfg/NumberText.h"
#include "cfg/ProfileFile.h"
#include "platform/Dialogs.h"
#include "settings/ColorNumber.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace k7 {

namespace {
const QString kSection = QStringLiteral("[K7]");
}

OptionsDialog::OptionsDialog(Model& model, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_model(model), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));

    m_check1 = new QCheckBox(QStringLiteral("Play a sound after instrument input"), this);
    m_check1->setObjectName(QStringLiteral("check1"));
    m_check2 = new QCheckBox(QStringLiteral("Edit existing record on duplicate unique entries"), this);
    m_check2->setObjectName(QStringLiteral("Check2"));
    m_check3 = new QCheckBox(QStringLiteral("Skip to empty fields only"), this);
    m_check3->setObjectName(QStringLiteral("Check3"));
    m_check1->setChecked(m_model.options.on(OptSound));
    m_check2->setChecked(m_model.options.on(OptReEdit));
    m_check3->setChecked(m_model.options.on(OptEmptyonly));
    connect(m_check1, &QCheckBox::toggled, this, [this](bool on) { setSwitch(OptSound, on); });
    connect(m_check2, &QCheckBox::toggled, this, [this](bool on) { setSwitch(OptReEdit, on); });
    connect(m_check3, &QCheckBox::toggled, this, [this](bool on) { setSwitch(OptEmptyonly, on); });

    if (m_model.options[OptBackColor].isEmpty())
        m_model.options[OptBackColor] = kWhiteColorNumber;

    auto* colours = new QGridLayout;
    const QString captions[2] = {QStringLiteral("Background color in data entry area :"),
                                 QStringLiteral("Background color in variable list and data grid :")};
    for (int i = 0; i < 2; ++i) {
        m_box[i] = new QFrame(this);
        m_box[i]->setObjectName(QStringLiteral("bckclr%1").arg(i));
        m_box[i]->setFrameShape(QFrame::Box);
        m_box[i]->setFixedSize(48, 24);
        m_box[i]->setAutoFillBackground(true);
        m_box[i]->installEventFilter(this);
        // The keyboard reaches the boxes too: Tab to one, then Enter or Space.
        m_box[i]->setFocusPolicy(Qt::StrongFocus);
        m_box[i]->setToolTip(QStringLiteral("Double-click, or press Enter or Space, to change the color"));
        colours->addWidget(new QLabel(captions[i], this), i, 0);
        colours->addWidget(m_box[i], i, 1);
    }
    paintBox(0, static_cast<long>(ValNumber(m_model.options[OptBackColor])));
    paintBox(1, m_outerColor);

    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] {
        writeOptions();
        accept();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_check1);
    layout->addWidget(m_check2);
    layout->addWidget(m_check3);
    layout->addSpacing(8);
    layout->addLayout(colours);
    layout->addWidget(new QLabel(QStringLiteral("(Double-click in box to change color)"), this));
    layout->addWidget(ok, 0, Qt::AlignRight);
}

void OptionsDialog::setSwitch(int slot, bool on)
{
    m_model.options[slot] = on ? QStringLiteral("Yes") : QString();
}

bool OptionsDialog::savesToCfg() const
{
    // A [K7] section written into an old-format file would make it read as
    // a current-format CFG without its variables.
    return !m_model.cfgpath.isEmpty() && !m_model.cfgunconverted;
}

void OptionsDialog::writeToCfg(const KeyTable& keys)
{
    if (!savesToCfg())
        return;
    if (!WriteSection(m_model.cfgpath, kSection, keys))
        m_dialogs.message(QStringLiteral("Error: Could not write the options to ") + m_model.cfgpath,
                          Style::Information);
}

void OptionsDialog::writeOptions()
{
    writeToCfg({{QStringLiteral("Sound"), m_model.options[OptSound]},
                {QStringLiteral("Re-edit"), m_model.options[OptReEdit]},
                {QStringLiteral("Emptyonly"), m_model.options[OptEmptyonly]}});
}

void OptionsDialog::chooseColor(int box)
{
    const long initial = box == 0 ? static_cast<long>(ValNumber(m_model.options[OptBackColor]))
                                  : m_outerColor;
    const std::optional<long> chosen = m_dialogs.chooseColor(initial);
    if (!chosen)
        return;
    const QString text = QString::number(*chosen);
    writeToCfg({{box == 0 ? QStringLiteral("BackColor") : QStringLiteral("BackColorOut"), text}});
    paintBox(box, *chosen);
    if (box == 0) {
        m_model.options[OptBackColor] = text;
        emit entryColorChanged(*chosen);
    } else {
        m_outerColor = *chosen;
        emit outerColorChanged(*chosen);
    }
}

void OptionsDialog::paintBox(int box, long color)
{
    QPalette palette = m_box[box]->palette();
    palette.setColor(QPalette::Window, colorFromNumber(color));
    m_box[box]->setPalette(palette);
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event)
{
    const bool keyed = event->type() == QEvent::KeyPress
                       && (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return
                           || static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter
                           || static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space);
    if (event->type() == QEvent::MouseButtonDblClick || keyed) {
        for (int i = 0; i < 2; ++i) {
            if (watched == m_box[i]) {
                chooseColor(i);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace k7

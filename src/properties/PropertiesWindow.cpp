#include "properties/PropertiesWindow.h"

#include "cfg/NumberText.h"
#include "entry/EntryEngine.h"
#include "entry/EntryKeys.h"
#include "properties/MenuItems.h"
#include "settings/IniSettings.h"
#include "settings/WindowPlacement.h"
#include "settings/WindowRestore.h"
#include "store/LookupSource.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShortcut>

#include <algorithm>

namespace k7 {

namespace {

const QStringList kTypeItems = {QStringLiteral("Text"), QStringLiteral("Numeric"), QStringLiteral("Instrument"),
                                QStringLiteral("Menu"), QStringLiteral("Table")};

// The vtype item for a type code; -1 for ImageJ, which the list lacks.
int typeItem(int vartype)
{
    switch (vartype) {
    case TypeText:
    case TypeSqid:
        return 0;
    case TypeNumeric:
        return 1;
    case TypeMenu:
        return 3;
    case TypeTable:
        return 4;
    case TypeImageJ:
        return -1;
    default:
        return 2;  // the instruments
    }
}

const QString kSoundFilter = QStringLiteral("*.wav (*.wav)");
const QString kHelpFilter = QStringLiteral("Help files (*.txt *.htm *.html);;All files (*)");
const QString kDatabaseFilter =
    QStringLiteral("*.mdb (*.mdb);;SQLite databases (*.db *.db3 *.sqlite *.sqlite3);;All files (*)");

}  // namespace

PropertiesWindow::PropertiesWindow(const PropertiesServices& services, QWidget* parent)
    : QDialog(parent), m_s(services), m_ctx{services.model, services.store, services.dialogs, services.shell}
{
    buildForm();
    connectEdits();
    for (QWidget* w : {static_cast<QWidget*>(m_vname), static_cast<QWidget*>(m_vlength),
                       static_cast<QWidget*>(m_vhelp), static_cast<QWidget*>(m_vsoundin),
                       static_cast<QWidget*>(m_vsoundout), static_cast<QWidget*>(m_vdbname),
                       static_cast<QWidget*>(m_text1)})
        w->installEventFilter(this);
    connect(m_vmenu, &QListWidget::itemDoubleClicked, this, &PropertiesWindow::removeMenuItem);
    auto* manual = new QShortcut(QKeySequence(KeyOf(KeyAction::OpenManual)), this);
    connect(manual, &QShortcut::activated, this, [this] {
        if (m_s.showManual)
            m_s.showManual();
    });
    restorePosition();
}

void PropertiesWindow::open(const PropertiesServices& services, QWidget* parent, int variable,
                            const std::function<void()>& present)
{
    if (!services.store.currentrs().isOpen()) {
        services.dialogs.message(
            QStringLiteral("Before you can alter field properties, you need to create and open a CFG file.  A CFG "
                           "specifies what variables you would like to record.  Please see the documentation and "
                           "example CFG files."),
            Style::OkOnly + Style::Information);
        return;
    }
    services.engine.endGridEdit();
    // With nothing chosen in the variable list, the variable being entered.
    const int last = std::max(1, services.model.varcount);
    if (variable < 1 || variable > last)
        variable = std::clamp(services.engine.state().curvar, 1, last);
    PropertiesWindow window(services, parent);
    window.FillProperties(variable);
    window.exec();
    present();
}

bool PropertiesWindow::filling() const
{
    return m_s.engine.state().listguard;
}

// ------------------------------------------------------------------ filling

void PropertiesWindow::FillProperties(int v)
{
    const auto guard = m_s.engine.guardLists();
    m_v = v;
    const Variable& var = m_s.model.var(v);
    m_fieldName = var.varname;
    m_nameTyped = false;
    m_lengthTyped = false;
    fillType();
    m_vno->setText(QString::number(v));
    m_vname->setText(var.varname);
    m_vprompt->setText(var.varprompt);
    fillLength();
    QStringList conditions;
    for (int k = 1; k <= var.condcount && k <= kMaxConditions; ++k)
        conditions << var.condtext[static_cast<size_t>(k)];
    m_vcondition->setText(conditions.join(QLatin1Char(' ')));
    m_vsoundin->setText(var.varwavein);
    m_vsoundout->setText(var.varwaveout);
    m_vcarry->setChecked(var.varcarry);
    m_vautoincrement->setChecked(var.varautoinc);
    m_vunique->setChecked(var.varunique);
    m_vskip->setChecked(var.varskip);
    m_vhelp->setText(var.varinfo);
    fillLookup();
}

void PropertiesWindow::fillType()
{
    const Variable& var = m_s.model.var(m_v);
    if (m_vtype->count() == 0)
        m_vtype->addItems(kTypeItems);
    m_vtype->setPlaceholderText(QStringLiteral("ImageJ"));
    m_vtype->setCurrentIndex(typeItem(var.vartype));
    fillMenu();
}

void PropertiesWindow::fillMenu()
{
    const Variable& var = m_s.model.var(m_v);
    const bool listed = var.vartype == TypeMenu || var.vartype == TypeTable;
    m_vmenu->clear();
    if (listed)
        m_vmenu->addItems(SplitMenu(m_s.model, m_v, 100));
    m_menuFrame->setEnabled(var.vartype == TypeMenu);
    m_rebuild->setEnabled(var.vartype == TypeMenu);
    m_cnvtomenu->setEnabled(var.vartype == TypeText);
}

void PropertiesWindow::fillLength()
{
    const Variable& var = m_s.model.var(m_v);
    const bool sized = IsTextType(var.vartype);
    m_vlength->setText(sized ? QString::number(var.varlength) : QStringLiteral("Numeric"));
    m_vlength->setReadOnly(!sized);
}

void PropertiesWindow::fillLookup()
{
    const Variable& var = m_s.model.var(m_v);
    m_vtblist->clear();
    m_vfieldname->clear();
    const qsizetype blank = var.varlookup.lastIndexOf(QLatin1Char(' '));
    if (var.varlookup.isEmpty() || blank < 0) {
        m_vdbname->clear();
        return;
    }
    m_vdbname->setText(var.varlookup.left(blank));
    QString error;
    if (const auto tables = LookupTableNames(m_vdbname->text(), &error))
        m_vtblist->addItems(*tables);
    m_vtblist->setEditText(var.varlookup.mid(blank + 1));
    m_vfieldname->setEditText(var.varname);
}

// ------------------------------------------------------------- simple edits

void PropertiesWindow::connectEdits()
{
    const auto text = [this](QLineEdit* box, QString Variable::*member) {
        connect(box, &QLineEdit::textChanged, this, [this, member](const QString& t) {
            if (filling())
                return;
            var().*member = t;
            edited();
        });
    };
    text(m_vname, &Variable::varname);
    connect(m_vname, &QLineEdit::textEdited, this, [this] { m_nameTyped = true; });
    text(m_vprompt, &Variable::varprompt);
    text(m_vhelp, &Variable::varinfo);
    text(m_vsoundin, &Variable::varwavein);
    text(m_vsoundout, &Variable::varwaveout);
    connect(m_vlength, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (filling() || !IsTextType(var().vartype))
            return;
        var().varlength = ValNumber(t);
        m_lengthTyped = true;
        edited();
    });
    const auto flag = [this](QCheckBox* box, bool Variable::*member) {
        connect(box, &QCheckBox::toggled, this, [this, member](bool on) {
            if (filling())
                return;
            var().*member = on;
            edited();
        });
    };
    flag(m_vcarry, &Variable::varcarry);
    flag(m_vautoincrement, &Variable::varautoinc);
    flag(m_vunique, &Variable::varunique);
    flag(m_vskip, &Variable::varskip);
    connect(m_vtype, &QComboBox::currentIndexChanged, this, &PropertiesWindow::typeChosen);
    connect(m_vtype, &QComboBox::activated, this, &PropertiesWindow::typeChosen);
}

void PropertiesWindow::typeChosen(int index)
{
    if (filling() || index < 0)
        return;
    var().vartype = index + 1;  // Text 1, Numeric 2, Instrument 3, Menu 4, Table 5
    edited();
    const auto guard = m_s.engine.guardLists();
    m_menuFrame->setEnabled(var().vartype == TypeMenu);
    m_rebuild->setEnabled(var().vartype == TypeMenu);
    m_cnvtomenu->setEnabled(var().vartype == TypeText);
    fillLength();
}

bool PropertiesWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::FocusOut && m_dirty && !m_committing) {
        if (watched == m_vname)
            commitName();
        else if (watched == m_vlength)
            commitLength();
    } else if (type == QEvent::MouseButtonDblClick) {
        if (watched == m_vhelp)
            browseFile(m_vhelp, kHelpFilter);
        else if (watched == m_vsoundin || watched == m_vsoundout)
            browseFile(static_cast<QLineEdit*>(watched), kSoundFilter);
        else if (watched == m_vdbname)
            chooseLookupDatabase();
    } else if (type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (enter && watched == m_text1) {
            addTypedItem();
            return true;
        }
        if (enter && watched == m_vtblist->lineEdit()) {
            lookupTableChosen(m_vtblist->currentText());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PropertiesWindow::browseFile(QLineEdit* box, const QString& filter)
{
    const QString path = m_s.dialogs.openFileName(QString(), filter, QFileInfo(box->text()).absolutePath());
    if (!path.isEmpty())
        box->setText(path);
}

// ------------------------------------------------------ name and Length

bool PropertiesWindow::commitName()
{
    const QScopedValueRollback busy(m_committing, true);
    const EditOutcome outcome = ApplyNameChange(m_ctx, m_v, m_fieldName);
    if (outcome == EditOutcome::Refused) {
        m_vname->setFocus();
        return false;
    }
    const auto guard = m_s.engine.guardLists();
    m_vname->setText(var().varname);
    m_fieldName = var().varname;
    m_nameTyped = false;
    if (outcome == EditOutcome::Applied)
        m_dirty = false;  // the whole CFG was written
    return true;
}

bool PropertiesWindow::commitLength()
{
    if (!IsTextType(var().vartype))
        return true;
    const QScopedValueRollback busy(m_committing, true);
    const EditOutcome outcome = ApplyLengthChange(m_ctx, m_v, m_vlength->text(), m_fieldName);
    if (outcome == EditOutcome::Refused) {
        m_vlength->setFocus();
        return false;
    }
    const auto guard = m_s.engine.guardLists();
    fillLength();
    m_lengthTyped = false;
    if (outcome == EditOutcome::Applied)
        m_dirty = false;
    return true;
}

// Before moving on or closing: a name or Length typed but not yet left.
bool PropertiesWindow::commitTableChanges()
{
    if (m_committing)
        return true;
    return (!m_nameTyped || commitName()) && (!m_lengthTyped || commitLength());
}

// ------------------------------------------------------ moving and closing

void PropertiesWindow::moveTo(int step)
{
    if (!commitTableChanges())
        return;
    m_s.dialogs.setBusy(true);
    // A CFG that would not open again is not written: the variable stays
    // shown, to be put right.
    if (m_dirty && !WriteEditedCfg(m_ctx)) {
        m_s.dialogs.setBusy(false);
        return;
    }
    const int target = m_v + step;
    if (target >= 1 && target <= m_s.model.varcount)
        FillProperties(target);
    m_dirty = false;
    m_s.dialogs.setBusy(false);
}

void PropertiesWindow::saveAndExit()
{
    if (!commitTableChanges())
        return;
    m_s.dialogs.setBusy(true);
    const bool written = !m_dirty || WriteEditedCfg(m_ctx);
    m_s.dialogs.setBusy(false);
    if (!written)
        return;
    m_dirty = false;
    accept();
}

void PropertiesWindow::done(int result)
{
    // Other changes stay in the model until the CFG is next written.
    if (!commitTableChanges())
        return;
    storePosition();
    QDialog::done(result);
}

void PropertiesWindow::restorePosition()
{
    const QScreen* screen = this->screen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const double dpiX = screenDpiX(*this);
    const double dpiY = screenDpiY(*this);
    const auto left = m_s.settings.number(IniKey::frmPropertiesleft);
    const auto top = m_s.settings.number(IniKey::frmPropertiestop);
    if (!left && !top)
        return;
    const double widthTwips = twipsFromPixels(area.width(), dpiX);
    const double heightTwips = twipsFromPixels(area.height(), dpiY);
    const double x = std::clamp(left.value_or(0.0), 0.0, widthTwips);
    const double y = std::clamp(top.value_or(0.0), 0.0, heightTwips);
    move(qRound(pixelsFromTwips(x, dpiX)), qRound(pixelsFromTwips(y, dpiY)));
}

void PropertiesWindow::storePosition()
{
    const IniValues values = {
        {IniKey::frmPropertiesleft, QString::number(qRound(twipsFromPixels(x(), screenDpiX(*this))))},
        {IniKey::frmPropertiestop, QString::number(qRound(twipsFromPixels(y(), screenDpiY(*this))))}};
    // The window's place is a convenience: a settings file that cannot be
    // written is logged, as for the info window, and the window still closes.
    if (!m_s.settings.write(values))
        qWarning("k7: the settings could not be written to %s", qPrintable(m_s.settings.path()));
}

// ------------------------------------------------------------- menu items

QStringList PropertiesWindow::menuItems() const
{
    QStringList items;
    for (int i = 0; i < m_vmenu->count(); ++i)
        items << m_vmenu->item(i)->text();
    return items;
}

void PropertiesWindow::setMenuItems(const QStringList& items)
{
    m_vmenu->clear();
    m_vmenu->addItems(items);
    var().varmenu = MenuTextOf(items);
    edited();
}

void PropertiesWindow::addTypedItem()
{
    QString item = m_text1->text();
    if (item.isEmpty())
        return;
    // The CFG keeps the items as one comma list: a comma would split this one.
    if (item.contains(QLatin1Char(','))) {
        m_s.dialogs.message(QStringLiteral("A menu item cannot hold a comma: the CFG would read it as two items."),
                            Style::OkOnly + Style::Information);
        return;
    }
    const int length = static_cast<int>(var().varlength);
    if (length > 0 && item.size() > length) {
        m_s.dialogs.message(QStringLiteral("Warning: Option is too long for variable size.  It will be truncated."),
                            Style::OkOnly + Style::Information);
        item.truncate(length);
    }
    QStringList items = menuItems();
    if (AddMenuItem(items, item))
        setMenuItems(items);
    m_text1->clear();
}

void PropertiesWindow::removeMenuItem(QListWidgetItem* item)
{
    QStringList items = menuItems();
    // A Menu variable without items is a CFG that cannot be opened.
    if (items.size() == 1 && var().vartype == TypeMenu) {
        m_s.dialogs.message(QStringLiteral("A menu needs at least one item: add the new one before removing "
                                           "the last."),
                            Style::OkOnly + Style::Information);
        return;
    }
    items.removeAt(m_vmenu->row(item));
    setMenuItems(items);
}

void PropertiesWindow::moveSelectedItem(int step)
{
    const int row = m_vmenu->currentRow();
    if (row < 0 || !m_vmenu->currentItem()->isSelected()) {
        m_s.dialogs.message(QStringLiteral("Click on a menu item first."), Style::OkOnly + Style::Information);
        return;
    }
    QStringList items = menuItems();
    const int to = MoveMenuItem(items, row, step);
    setMenuItems(items);
    m_vmenu->setCurrentRow(to);
}

void PropertiesWindow::convertToMenu()
{
    if (m_s.dialogs.message(QStringLiteral("Build menu from existing data."), Style::YesNo + Style::Question)
        != Answer::Yes)
        return;
    takeValuesFromData();
}

void PropertiesWindow::rebuildMenu()
{
    takeValuesFromData();
}

void PropertiesWindow::takeValuesFromData()
{
    QStringList items = menuItems();
    if (!AddValuesFromData(m_ctx, m_fieldName, items))
        return;
    var().vartype = TypeMenu;
    {
        const auto guard = m_s.engine.guardLists();
        m_vtype->setCurrentIndex(typeItem(TypeMenu));
        m_menuFrame->setEnabled(true);
        m_rebuild->setEnabled(true);
        m_cnvtomenu->setEnabled(false);
    }
    setMenuItems(items);
}

// ----------------------------------------------------------------- look-up

void PropertiesWindow::chooseLookupDatabase()
{
    const QString path = m_s.dialogs.openFileName(QString(), kDatabaseFilter, QString());
    if (path.isEmpty())
        return;
    m_vdbname->setText(path);
    m_vtblist->clear();
    QString error;
    if (const auto tables = LookupTableNames(path, &error))
        m_vtblist->addItems(*tables);
    else
        m_s.dialogs.message(QStringLiteral("Error: This database is either already open or otherwise inaccessible."),
                            Style::OkOnly + Style::Information);
}

void PropertiesWindow::lookupTableChosen(const QString& table)
{
    const QString path = m_vdbname->text();
    const auto refuse = [this](const QString& text) {
        m_s.dialogs.message(text, Style::OkOnly + Style::Information);
    };
    if (path.isEmpty())
        return refuse(QStringLiteral("Error: You must provide a database name for this table."));
    QString error;
    const auto tables = QFileInfo(path).isFile() ? LookupTableNames(path, &error) : std::nullopt;
    if (!tables)
        return refuse(QStringLiteral("Error: This database is either already open or otherwise inaccessible."));
    if (!tables->contains(table, Qt::CaseInsensitive))
        return refuse(QStringLiteral("Error: This table does not exist in the indicated database."));
    m_vfieldname->clear();
    if (const auto fields = LookupFieldNames(path, table, &error))
        m_vfieldname->addItems(*fields);
}

void PropertiesWindow::modifyConditions()
{
    const QString path = m_vcondition->text();
    if (!path.isEmpty() && QFileInfo(path).isFile() && m_s.showInfoFile)
        m_s.showInfoFile(path);
}

}  // namespace k7

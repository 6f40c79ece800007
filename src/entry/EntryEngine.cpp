#include "entry/EntryEngine.h"

#include "cfg/Model.h"
#include "cfg/NumberText.h"
#include "cfg/PathParts.h"
#include "entry/ValueForms.h"
#include "entry/RecordState.h"
#include "entry/VerifySession.h"
#include "platform/Dialogs.h"
#include "store/DataStore.h"
#include "store/JournalWriter.h"
#include "store/RecordJournal.h"

#include <QFileInfo>

#include <algorithm>

namespace k7 {

namespace {

constexpr long kMaxColor = 16777215;
// Width of one character of a menu item in the list, in twips.
constexpr int kMenuCharTwips = 200;

}  // namespace

EntryEngine::EntryEngine(const Model& model, DataStore& store, EntryView& view, Dialogs& dialogs, SoundPlayer& sound)
    : m_model(model), m_store(store), m_view(view), m_dialogs(dialogs), m_sound(sound)
{
}

EntryEngine::~EntryEngine() = default;

QString EntryEngine::cfgFolder() const
{
    return SplitPath(m_model.cfgpath).directory;
}

QString EntryEngine::helpPath(const QString& info) const
{
    return HasFolder(info) ? info : cfgFolder() + info;
}

void EntryEngine::playWaveIn(int v)
{
    const QString f = m_model.var(v).varwavein;
    if (f.isEmpty())
        return;
    if (QFileInfo(f).isFile())
        m_sound.playWave(f);
    else if (QFileInfo(cfgFolder() + f).isFile())
        m_sound.playWave(cfgFolder() + f);
}

void EntryEngine::playWaveOut(int v)
{
    const QString f = m_model.var(v).varwaveout;
    if (!f.isEmpty())
        m_sound.playWave(f);
}

void EntryEngine::ShowVariable(int v)
{
    if (v < 1 || v > m_model.varcount)
        return;
    const Variable& var = m_model.var(v);
    m_cleared.reset();

    m_view.setImageJTimer(false);
    playWaveIn(v);

    m_state.listguard = true;
    m_view.selectVariable(v - 1);
    m_state.listguard = false;

    const QString colorText = m_model.options[OptBackColor];
    const double c = ValNumber(colorText);
    if (c >= 0 && c <= kMaxColor && static_cast<long>(c) != m_view.backgroundColor())
        m_view.setBackgroundColor(static_cast<long>(c));

    switch (var.vartype) {
    case TypeText:
    case TypeSqid:
        showTextBranch(v);
        break;
    case TypeNumeric:
        showNumericBranch(v);
        break;
    case TypeMenu:
    case TypeTable:
        showMenuBranch(v);
        break;
    case TypeInstrument:
    case TypeOhaus:
    case TypeGageport:
    case TypeMaxcal:
    case TypeMitutoyo:
        showInstrumentBranch(v);
        break;
    case TypeImageJ:
        showImageJBranch(v);
        break;
    default:
        break;
    }
}

void EntryEngine::beginFrame(Frame frame, int v)
{
    m_view.showFrame(frame);
    m_view.setPrompt(frame, m_model.var(v).varprompt);
    if (m_state.editing)
        m_view.setFrameCaption(frame, QStringLiteral("EDITING"), 12);
    else
        m_view.setFrameCaption(frame, QString(), 0);
}

void EntryEngine::finishFrame(Control control, const QString& tag)
{
    if (m_state.editing)
        m_view.setEntryButtons(QStringLiteral("Cancel"), QStringLiteral("Accept"), tag);
    else
        m_view.setEntryButtons(QStringLiteral("Previous"), QStringLiteral("Next"), tag);
    m_view.setFocus(control);
}

void EntryEngine::showHelp(Frame frame, int v, bool requireExisting)
{
    const QString info = m_model.var(v).varinfo;
    // The info button carries the help file so that Ctrl+I can open it too.
    m_view.setInfoButton(frame, false, info);
    if (info.isEmpty()) {
        m_view.setHelp(frame, QString());
        return;
    }
    const QString path = helpPath(info);
    if (requireExisting && !QFileInfo(path).isFile())
        m_view.setHelp(frame, QString());
    else
        m_view.setHelp(frame, HelpUrl(path));
}

void EntryEngine::fillBox(Control box, const QString& text)
{
    m_view.setBoxText(box, text);
    if (!text.isEmpty())
        m_view.selectBoxText(box, 0, static_cast<int>(text.size()));
}

void EntryEngine::showTextBranch(int v)
{
    beginFrame(Frame::Text, v);
    m_view.setBoxMaxLength(Control::TextBox, static_cast<int>(m_model.var(v).varlength));
    fillBox(Control::TextBox,
            m_state.editing ? m_view.gridCurrentCellText() : m_state.varvalue[v]);
    showHelp(Frame::Text, v, true);
    finishFrame(Control::TextBox, QStringLiteral("text"));
}

void EntryEngine::showNumericBranch(int v)
{
    showHelp(Frame::Numeric, v, true);
    beginFrame(Frame::Numeric, v);
    // The length first: setting it after the text would drop the selection,
    // and typing would then add to the number instead of replacing it.
    m_view.setBoxMaxLength(Control::NumericBox, static_cast<int>(m_model.var(v).varlength));
    fillBox(Control::NumericBox,
            m_state.editing ? m_view.gridCurrentCellText() : m_state.varvalue[v]);
    finishFrame(Control::NumericBox, QStringLiteral("numeric"));
}

void EntryEngine::showMenuBranch(int v)
{
    m_state.listguard = true;
    beginFrame(Frame::Menu, v);
    const QStringList items = SplitMenu(m_model, v, kMaxVariables);
    int w = 10;
    if (!items.isEmpty()) {
        w = 0;
        for (const QString& item : items)
            w = std::max(w, static_cast<int>(item.size()));
    }
    const int width = m_view.menuListWidthTwips();
    int columns = 1;
    // Items that are all empty have no width; they get a single column.
    if (w > 0 && w * kMenuCharTwips <= width)
        columns = width / (w * kMenuCharTwips);
    if (columns < 1)
        columns = 0;
    m_view.setMenuItems(items, columns);

    // While a grid cell is edited the selection follows the cell.
    const QString wanted = m_state.editing ? m_view.gridCurrentCellText() : m_state.varvalue[v];
    int selected = MenuItemFor(items, wanted);
    if (selected < 0 && !items.isEmpty())
        selected = 0;
    if (selected >= 0)
        m_view.selectMenuItem(selected);

    showHelp(Frame::Menu, v, false);
    finishFrame(Control::MenuList, QStringLiteral("menu"));
    m_state.listguard = false;
}

QString EntryEngine::placeholder(int v) const
{
    switch (m_model.var(v).vartype) {
    case TypeOhaus: return QStringLiteral("<press ENTER for OHAUS data>");
    case TypeGageport: return QStringLiteral("<Gageport>");
    case TypeMaxcal: return QStringLiteral("<Maxcal>");
    case TypeMitutoyo: return QStringLiteral("<Mitutoyo>");
    default: break;
    }
    return m_model.options[OptInstrument] == QLatin1String("KEYBOARD")
               ? QStringLiteral("<Keyboard wedge data>")
               : QStringLiteral("<Instrument data>");
}

void EntryEngine::showInstrumentBranch(int v)
{
    beginFrame(Frame::Instrument, v);
    m_view.setInfoButton(Frame::Instrument, false, QString());
    const QString value = m_state.editing ? m_view.gridCurrentCellText() : m_state.varvalue[v];
    const QString text = EmptyOrZero(value) ? placeholder(v) : value;
    m_view.setBoxText(Control::InstrumentBox, text);
    m_view.selectBoxText(Control::InstrumentBox, 0, static_cast<int>(text.size()));
    finishFrame(Control::InstrumentBox, QStringLiteral("instrument"));
    m_state.devicewait = true;
}

void EntryEngine::showImageJBranch(int v)
{
    beginFrame(Frame::Instrument, v);
    const QString info = m_model.var(v).varinfo;
    m_view.setInfoButton(Frame::Instrument, !info.isEmpty(), info);
    const QString value = m_state.varvalue[v];
    const QString text = EmptyOrZero(value) ? QStringLiteral("<Waiting on ImageJ>") : value;
    m_view.setBoxText(Control::InstrumentBox, text);
    m_view.selectBoxText(Control::InstrumentBox, 0, static_cast<int>(text.size()));
    finishFrame(Control::InstrumentBox, QStringLiteral("imagej"));
    m_state.devicewait = true;
    m_view.setImageJTimer(true);
}

Control EntryEngine::presentedControl() const
{
    const QString tag = m_view.kindTag();
    if (tag == QLatin1String("numeric"))
        return Control::NumericBox;
    if (tag == QLatin1String("menu"))
        return Control::MenuList;
    if (tag == QLatin1String("instrument") || tag == QLatin1String("imagej"))
        return Control::InstrumentBox;
    return Control::TextBox;
}

}  // namespace k7

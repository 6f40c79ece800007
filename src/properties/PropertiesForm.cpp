// The controls of frmProperties, with their captions and tool tips.

#include "properties/PropertiesWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace k7 {

namespace {

template <typename W>
W* named(W* widget, const char* name, const QString& tip = QString())
{
    widget->setObjectName(QLatin1String(name));
    if (!tip.isEmpty())
        widget->setToolTip(tip);
    return widget;
}

// Buttons never take Enter from a text box: Enter there adds a menu item.
QPushButton* button(const QString& caption, const char* name, const QString& tip = QString())
{
    auto* b = named(new QPushButton(caption), name, tip);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

QLabel* wrapped(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

}  // namespace

void PropertiesWindow::buildForm()
{
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(QStringLiteral("Field Properties"));
    auto* left = new QVBoxLayout;
    left->addWidget(buildTopFields());
    left->addWidget(buildOptionsFrame());
    left->addWidget(buildHelpFrame());
    left->addWidget(buildConditionsFrame());
    auto* right = new QVBoxLayout;
    right->addWidget(buildMenuFrame());
    right->addWidget(buildLookupFrame());
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(columns);
    outer->addWidget(buildButtons());
    setVisualTabOrder();
}

// Tab walks the boxes as they are seen: down the left column, down the right
// one, then the buttons; it does not depend on the order they were made in.
void PropertiesWindow::setVisualTabOrder()
{
    static const char* const order[] = {
        "vname", "vtype", "vprompt", "vlength", "vsoundin", "vsoundout", "vcarry", "vautoincrement", "vunique",
        "vskip", "vhelp", "vcondition", "modify", "Text1", "vmenu", "menuup", "menudown", "rebuild",
        "cnvtomenu", "vdbname", "vtblist", "vfieldname", "previousfield", "nextfield", "saveexit"};
    QWidget* previous = nullptr;
    for (const char* name : order) {
        QWidget* w = findChild<QWidget*>(QLatin1String(name));
        if (previous && w)
            setTabOrder(previous, w);
        if (w)
            previous = w;
    }
}

QWidget* PropertiesWindow::buildTopFields()
{
    auto* box = new QWidget;
    auto* form = new QFormLayout(box);
    form->setContentsMargins(0, 0, 0, 0);
    m_vno = named(new QLineEdit, "vno");
    m_vno->setReadOnly(true);
    m_vno->setFocusPolicy(Qt::NoFocus);
    m_vname = named(new QLineEdit, "vname");
    m_vtype = named(new QComboBox, "vtype");
    m_vprompt = named(new QLineEdit, "vprompt");
    m_vlength = named(new QLineEdit, "vlength");
    m_vsoundin = named(new QLineEdit, "vsoundin", QStringLiteral("Play a sound on entering this field."));
    m_vsoundout = named(new QLineEdit, "vsoundout", QStringLiteral("Plau a sound on exiting this field."));
    form->addRow(QStringLiteral("Seq. No. :"), m_vno);
    form->addRow(QStringLiteral("Name :"), m_vname);
    form->addRow(QStringLiteral("Type :"), m_vtype);
    form->addRow(QStringLiteral("Prompt :"), m_vprompt);
    form->addRow(QStringLiteral("Length :"), m_vlength);
    form->addRow(QStringLiteral("Sound in :"), m_vsoundin);
    form->addRow(QStringLiteral("Sound out :"), m_vsoundout);
    return box;
}

QGroupBox* PropertiesWindow::buildOptionsFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("Field Options"));
    m_vcarry = named(new QCheckBox(QStringLiteral("Carry")), "vcarry",
                     QStringLiteral("Default to last entered value for each new record."));
    m_vautoincrement = named(new QCheckBox(QStringLiteral("Auto-Increment")), "vautoincrement",
                             QStringLiteral("Increment the value of this field by one each new record.  Use this "
                                            "for unique ID numbers."));
    m_vunique = named(new QCheckBox(QStringLiteral("Unique")), "vunique",
                      QStringLiteral("Each entry in the field must be a unique value.  Use this for unique ID "
                                     "numbers."));
    m_vskip = named(new QCheckBox(QStringLiteral("Skip")), "vskip",
                    QStringLiteral("Don't prompt for this field during data entry."));
    auto* grid = new QGridLayout(frame);
    grid->addWidget(m_vcarry, 0, 0);
    grid->addWidget(m_vautoincrement, 0, 1);
    grid->addWidget(m_vunique, 1, 0);
    grid->addWidget(m_vskip, 1, 1);
    return frame;
}

QGroupBox* PropertiesWindow::buildHelpFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("Help Files"));
    m_vhelp = named(new QLineEdit, "vhelp");
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Filename :")));
    row->addWidget(m_vhelp, 1);
    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(row);
    layout->addWidget(new QLabel(QStringLiteral("(double-click in field to browse)")));
    layout->addWidget(wrapped(QStringLiteral("Help files can be either ASCII text or HTML files.  Use the View/Edit "
                                             "HTML Help Files option from the main menu to create and edit these "
                                             "files.")));
    return frame;
}

QGroupBox* PropertiesWindow::buildConditionsFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("Field Conditions"));
    m_vcondition = named(new QLineEdit, "vcondition");
    m_vcondition->setReadOnly(true);
    QPushButton* modify = button(QStringLiteral("&Modify"), "modify");
    connect(modify, &QPushButton::clicked, this, &PropertiesWindow::modifyConditions);
    auto* row = new QHBoxLayout(frame);
    row->addWidget(m_vcondition, 1);
    row->addWidget(modify);
    return frame;
}

QWidget* PropertiesWindow::buildMenuFrame()
{
    m_menuFrame = named(new QGroupBox(QStringLiteral(" Menu Fields ")), "menuframe");
    m_vmenu = named(new QListWidget, "vmenu");
    m_text1 = named(new QLineEdit, "Text1");
    // Both arrows carry the same tip, as they always have.
    const QString tip = QStringLiteral("Move selected item down in list.");
    QPushButton* up = button(QStringLiteral("\u2191"), "menuup", tip);
    QPushButton* down = button(QStringLiteral("\u2193"), "menudown", tip);
    connect(up, &QPushButton::clicked, this, [this] { moveSelectedItem(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveSelectedItem(1); });
    m_rebuild = button(QStringLiteral("Re&build menu options from unique values in the database"), "rebuild");
    m_cnvtomenu = button(QStringLiteral("Con&vert text field to menu field"), "cnvtomenu");
    connect(m_rebuild, &QPushButton::clicked, this, &PropertiesWindow::rebuildMenu);
    connect(m_cnvtomenu, &QPushButton::clicked, this, &PropertiesWindow::convertToMenu);

    auto* arrows = new QVBoxLayout;
    arrows->addStretch();
    arrows->addWidget(up);
    arrows->addWidget(down);
    arrows->addStretch();
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(m_vmenu, 1);
    listRow->addLayout(arrows);
    auto* layout = new QVBoxLayout(m_menuFrame);
    layout->addWidget(new QLabel(QStringLiteral("Enter new item to add to menu and press enter :")));
    layout->addWidget(m_text1);
    layout->addLayout(listRow);
    layout->addWidget(m_rebuild);
    // Converting belongs to a Text variable, whose menu frame is disabled.
    auto* outer = new QWidget;
    auto* outerLayout = new QVBoxLayout(outer);
    outerLayout->setContentsMargins(0, 0, 0, 0);
    outerLayout->addWidget(m_menuFrame);
    outerLayout->addWidget(m_cnvtomenu);
    return outer;
}

QGroupBox* PropertiesWindow::buildLookupFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("Look-up (data entry must match entry in database field)"));
    m_vdbname = named(new QLineEdit, "vdbname");
    m_vtblist = named(new QComboBox, "vtblist");
    m_vtblist->setEditable(true);
    m_vfieldname = named(new QComboBox, "vfieldname");
    m_vfieldname->setEditable(true);
    auto* form = new QFormLayout(frame);
    form->addRow(QStringLiteral("DB Name :"), m_vdbname);
    form->addRow(QStringLiteral("Table/Query Name :"), m_vtblist);
    form->addRow(QStringLiteral("Field name :"), m_vfieldname);
    // A table is chosen from the list, or typed and Enter pressed (the
    // window takes that Enter: see eventFilter).
    m_vtblist->setInsertPolicy(QComboBox::NoInsert);
    m_vtblist->lineEdit()->installEventFilter(this);
    connect(m_vtblist, &QComboBox::textActivated, this, &PropertiesWindow::lookupTableChosen);
    return frame;
}

QWidget* PropertiesWindow::buildButtons()
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    QPushButton* previous = button(QStringLiteral("Edit &Previous Field"), "previousfield",
                                   QStringLiteral("Move to previous field."));
    QPushButton* next = button(QStringLiteral("Edit &Next Field"), "nextfield", QStringLiteral("Move to next field."));
    QPushButton* save = button(QStringLiteral("&Save and Exit"), "saveexit", QStringLiteral("Accept changes."));
    connect(previous, &QPushButton::clicked, this, [this] { moveTo(-1); });
    connect(next, &QPushButton::clicked, this, [this] { moveTo(1); });
    connect(save, &QPushButton::clicked, this, &PropertiesWindow::saveAndExit);
    layout->addStretch();
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(save);
    return row;
}

}  // namespace k7

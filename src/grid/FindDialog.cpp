#include "grid/FindDialog.h"

#include "grid/DataGrid.h"
#include "grid/RecordSetModel.h"
#include "store/DataStore.h"
#include "workflows/GridFind.h"
#include "workflows/GridView.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace k7 {

FindDialog::FindDialog(const GridTools& tools, QWidget* parent) : QDialog(parent), m_tools(tools)
{
    setObjectName(QStringLiteral("frmfind"));
    setWindowTitle(QStringLiteral("Find"));
    auto* label = new QLabel(QStringLiteral("Find what :"), this);
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("findtxt"));
    label->setBuddy(m_text);
    m_allFields = new QRadioButton(QStringLiteral("Search all fields"), this);
    m_allFields->setObjectName(QStringLiteral("Option1_0"));
    m_allFields->setChecked(true);
    m_oneField = new QRadioButton(QStringLiteral("Search a field"), this);
    m_oneField->setObjectName(QStringLiteral("Option1_1"));
    m_fields = new QComboBox(this);
    m_fields->setObjectName(QStringLiteral("fieldlistcmb"));
    m_fields->addItems(VariableNames(tools.model));
    m_fields->setEnabled(false);
    auto* find = new QPushButton(QStringLiteral("&Find"), this);
    find->setObjectName(QStringLiteral("Command1"));
    find->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("Command2"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_text, 0, 1, 1, 2);
    layout->addWidget(m_allFields, 1, 0);
    layout->addWidget(m_oneField, 2, 0);
    layout->addWidget(m_fields, 2, 1, 1, 2);
    layout->addWidget(find, 3, 1);
    layout->addWidget(cancel, 3, 2);

    connect(m_oneField, &QRadioButton::toggled, m_fields, &QComboBox::setEnabled);
    connect(find, &QPushButton::clicked, this, &FindDialog::findNext);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FindDialog::findNext()
{
    RecordSet& rs = m_tools.store.currentrs();
    if (!rs.isOpen())
        return;
    DataGrid& grid = m_tools.grid;
    const FindRequest request{m_text->text(), m_oneField->isChecked(), m_fields->currentText()};
    const int column = FindNext(rs, request, grid.currentColumn(), m_tools.dialogs);
    if (column < 0)
        return;
    grid.setCurrentCell(rs.absolutePosition(), column);
}

}  // namespace k7

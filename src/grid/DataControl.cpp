#include "grid/DataControl.h"

#include "grid/DataGrid.h"
#include "grid/RecordSetModel.h"
#include "store/RecordSet.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace k7 {

DataControl::DataControl(DataGrid* grid, QWidget* parent) : QWidget(parent), m_grid(grid)
{
    setObjectName(QStringLiteral("dataobject"));
    auto makeButton = [this](const QString& text, const QString& tip) {
        auto* button = new QToolButton(this);
        button->setText(text);
        button->setToolTip(tip);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(true);
        return button;
    };
    QToolButton* first = makeButton(QStringLiteral("|<"), QStringLiteral("First record"));
    QToolButton* previous = makeButton(QStringLiteral("<"), QStringLiteral("Previous record"));
    QToolButton* next = makeButton(QStringLiteral(">"), QStringLiteral("Next record"));
    QToolButton* last = makeButton(QStringLiteral(">|"), QStringLiteral("Last record"));
    m_caption = new QLabel(QStringLiteral("Data Table"), this);
    m_caption->setObjectName(QStringLiteral("dataobjectcaption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setMinimumWidth(m_caption->fontMetrics().horizontalAdvance(QStringLiteral("Record 0000000 of 0000000")));
    m_caption->setFrameShape(QFrame::StyledPanel);

    m_filter = new QLabel(this);
    m_filter->setObjectName(QStringLiteral("filternote"));
    m_filter->setContentsMargins(6, 0, 0, 0);
    m_filter->setVisible(false);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(first);
    layout->addWidget(previous);
    layout->addWidget(m_caption, 1);
    layout->addWidget(next);
    layout->addWidget(last);
    layout->addWidget(m_filter);

    auto step = [this](int delta) {
        const int rows = m_grid->recordModel()->rowCount();
        if (rows == 0)
            return;
        m_grid->goToRow(qBound(0, m_grid->currentRow() + delta, rows - 1));
    };
    connect(first, &QToolButton::clicked, this, [this] { m_grid->goToRow(0); });
    connect(previous, &QToolButton::clicked, this, [step] { step(-1); });
    connect(next, &QToolButton::clicked, this, [step] { step(1); });
    connect(last, &QToolButton::clicked, this, [this] { m_grid->goToRow(-1); });
    connect(m_grid, &DataGrid::positionChanged, this, &DataControl::updateCaption);
}

QString DataControl::counterText(bool bof, bool eof, int absolutePosition, int recordCount,
                                 std::optional<qint64> verified)
{
    if (bof && eof)
        return QStringLiteral("Empty");
    const QString counter = QStringLiteral("Record %1 of %2").arg(absolutePosition + 1).arg(recordCount);
    return verified ? counter + QStringLiteral(" (%1 verified)").arg(*verified) : counter;
}

void DataControl::setVerifiedCount(std::optional<qint64> verified)
{
    m_verified = verified;
    updateCaption();
}

QString DataControl::caption() const
{
    return m_caption->text();
}

QString DataControl::filterNote() const
{
    return m_filter->text();
}

void DataControl::updateCaption()
{
    const RecordSet* rs = m_grid->recordModel()->recordSet();
    const bool open = rs && rs->isOpen();
    QStringList filters;
    if (open && rs->view().filtered())
        filters << QStringLiteral("%1=%2").arg(rs->view().filterField, rs->view().filterValue);
    if (open && rs->view().unverifiedOnly)
        filters << QStringLiteral("not yet verified");
    m_filter->setText(filters.isEmpty() ? QString() : QStringLiteral("Filter: ") + filters.join(QStringLiteral(", ")));
    m_filter->setVisible(!filters.isEmpty());
    if (!rs || !rs->isOpen()) {
        m_caption->setText(QStringLiteral("Data Table"));
        return;
    }
    m_caption->setText(counterText(rs->bof(), rs->eof(), rs->absolutePosition(), rs->recordCount(), m_verified));
}

}  // namespace k7

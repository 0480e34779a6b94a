#include "scanview.h"

#include <render.h>

#include <QtGui/QColor>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QTableWidget>
#include <QtWidgets/QVBoxLayout>

namespace {

constexpr int GridSide = 16;

// A cell's look by quelmctl's mark in it, and the legend's words for it.
struct CellLook
{
    QColor colour; // invalid: the view's own
    const char* sample;
    const char* meaning;
};

const CellLook answersAsDescribed{QColor(0xb0, 0xe8, 0xb0), "A0", QT_TRANSLATE_NOOP("ScanView", "answers as described")};
const CellLook answersUndescribed{QColor(0xff, 0xe0, 0x90), "A0+", QT_TRANSLATE_NOOP("ScanView", "answers, not described")};
const CellLook describedSilent{QColor(0xff, 0xa0, 0xa0), "A0!", QT_TRANSLATE_NOOP("ScanView", "described, silent")};
const CellLook silent{QColor(), "--", QT_TRANSLATE_NOOP("ScanView", "silent")};
const CellLook notProbed{QColor(), "", QT_TRANSLATE_NOOP("ScanView", "not probed: a read or reserved address")};

// "A0 ", "A0+", "A0!", "-- ", or blank where no part can be addressed.
const CellLook* lookOf(const QString& cell)
{
    if (cell.trimmed().isEmpty())
        return &notProbed;
    if (cell.startsWith(QLatin1Char('-')))
        return &silent;
    if (cell.endsWith(QLatin1Char('+')))
        return &answersUndescribed;
    if (cell.endsWith(QLatin1Char('!')))
        return &describedSilent;
    return &answersAsDescribed;
}

QLabel* swatch(const CellLook& look, QWidget* parent)
{
    auto* label = new QLabel(QLatin1String(look.sample), parent);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("A0+")) * 2);
    label->setFrameShape(QFrame::Box);
    if (look.colour.isValid())
        label->setStyleSheet(QStringLiteral("background: %1").arg(look.colour.name()));
    return label;
}

} // namespace

ScanView::ScanView(QWidget* parent)
    : QWidget(parent)
    , m_grids(new QVBoxLayout)
    , m_hint(new QLabel(tr("Scan the bus to see which parts answer."), this))
{
    auto* legend = new QGridLayout;
    legend->addWidget(new QLabel(tr("Each cell is an 8-bit write address:"), this), 0, 0, 1, 2);
    int row = 1;
    for (const CellLook* look : {&answersAsDescribed, &answersUndescribed, &describedSilent, &silent, &notProbed}) {
        legend->addWidget(swatch(*look, this), row, 0);
        legend->addWidget(new QLabel(tr(look->meaning), this), row++, 1);
    }
    legend->setRowStretch(row, 1);
    auto* grids = new QVBoxLayout;
    grids->addWidget(m_hint);
    grids->addLayout(m_grids);
    grids->addStretch();
    // The legend beside the grids, level with the first.
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grids);
    layout->addSpacing(24);
    layout->addLayout(legend);
    layout->addStretch();
}

void ScanView::setSegments(const QList<SegmentScan>& segments)
{
    while (QLayoutItem* item = m_grids->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const SegmentScan& segment : segments)
        m_grids->addWidget(createGrid(segment));
    m_hint->setVisible(segments.isEmpty());
}

QWidget* ScanView::createGrid(const SegmentScan& segment)
{
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    QString heading = segmentName(segment.bus);
    heading[0] = heading.at(0).toUpper();
    if (!segment.error.isEmpty())
        heading += tr(": stopped: %1").arg(segment.error);
    layout->addWidget(new QLabel(heading, box));

    auto* grid = new QTableWidget(GridSide, GridSide, box);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (int column = 0; column < GridSide; ++column)
        grid->setHorizontalHeaderItem(column, new QTableWidgetItem(QString::number(column, 16).toUpper()));
    for (int row = 0; row < GridSide; ++row) {
        grid->setVerticalHeaderItem(row, new QTableWidgetItem(QStringLiteral("%1").arg(row * GridSide, 2, 16, QLatin1Char('0')).toUpper()));
        for (int column = 0; column < GridSide; ++column) {
            const int address = row * GridSide + column;
            const QString cell = scanCell(segment, address);
            auto* item = new QTableWidgetItem(cell.trimmed());
            item->setTextAlignment(Qt::AlignCenter);
            if (const ExpectedPart* part = segment.expectedAt(quint8(address)))
                item->setToolTip(QStringLiteral("%1 (%2)").arg(part->name, part->type));
            const QColor colour = lookOf(cell)->colour;
            if (colour.isValid())
                item->setBackground(colour);
            grid->setItem(row, column, item);
        }
    }
    grid->resizeColumnsToContents();
    grid->resizeRowsToContents();
    // The whole grid at once, as quelmctl prints it; the page scrolls instead.
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setFixedSize(grid->verticalHeader()->width() + grid->horizontalHeader()->length() + 2 * grid->frameWidth(),
                       grid->horizontalHeader()->height() + grid->verticalHeader()->length() + 2 * grid->frameWidth());
    layout->addWidget(grid);
    return box;
}

#include "scanview.h"

#include <render.h>

#include <QtCore/QTextStream>
#include <QtGui/QColor>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QTableWidget>
#include <QtWidgets/QVBoxLayout>

namespace {

constexpr int GridSide = 16;

// The colour of a grid cell by its mark: answers as described, answers
// but not described, described but silent.
QColor cellColour(const QString& cell)
{
    if (cell.endsWith(QLatin1Char('+')))
        return QColor(0xff, 0xe0, 0x90);
    if (cell.endsWith(QLatin1Char('!')))
        return QColor(0xff, 0xa0, 0xa0);
    if (!cell.trimmed().isEmpty() && !cell.startsWith(QLatin1Char('-')))
        return QColor(0xb0, 0xe8, 0xb0);
    return QColor();
}

} // namespace

ScanView::ScanView(QWidget* parent)
    : QWidget(parent)
    , m_grids(new QVBoxLayout)
    , m_legend(new QLabel(tr("Scan the bus to see which parts answer."), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(m_grids);
    layout->addWidget(m_legend);
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
    QString legend;
    QTextStream stream(&legend);
    writeScanLegend(stream);
    stream.flush();
    m_legend->setText(legend.trimmed());
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
            const QColor colour = cellColour(cell);
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

#ifndef QUELMSTUDIO_SCANVIEW_H
#define QUELMSTUDIO_SCANVIEW_H

#include <scanmodel.h>

#include <QtWidgets/QWidget>

class QLabel;
class QVBoxLayout;

// The scan's grids, one per bus segment, as quelmctl prints them: a cell per
// 8-bit write address, parts that answer as described, answer without being
// described, or are described but silent, each in its own colour, which a
// legend beside the grids explains.
class ScanView : public QWidget
{
    Q_OBJECT

public:
    explicit ScanView(QWidget* parent = nullptr);

    void setSegments(const QList<SegmentScan>& segments);

private:
    QWidget* createGrid(const SegmentScan& segment);

    QVBoxLayout* m_grids;
    QLabel* m_hint; // until the first scan
};

#endif // QUELMSTUDIO_SCANVIEW_H

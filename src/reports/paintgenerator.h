#pragma once

#include "controlattributes.h"
#include "ireportgenerator.h"

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <functional>
#include <list>
#include <memory>
#include <utility>

class QPaintDevice;
class QPainter;
class QPen;

namespace tavimo {

// Draws replayed report pages with QPainter, on whatever the painter paints:
// the preview's page images, its thumbnails, the printer. It draws every
// control as the PDF generator does, so that what is seen is what is saved.
// Report geometry is thousandths of an inch; the painter's coordinates
// count the given resolution per inch.
class PaintGenerator : public IReportGenerator
{
public:
    // On a painter someone else opened and keeps; the generator leaves its
    // state as it found it at the end of each page.
    PaintGenerator(QPainter &painter, double dotsPerInchX, double dotsPerInchY);
    PaintGenerator(QPainter &painter, double dotsPerInch) : PaintGenerator(painter, dotsPerInch, dotsPerInch) {}
    // On a device of its own choosing (a printer): the painter opens with
    // the document, and every page after the first starts a new sheet.
    explicit PaintGenerator(QPaintDevice &device);
    ~PaintGenerator() override;
    PaintGenerator(const PaintGenerator &) = delete;
    PaintGenerator &operator=(const PaintGenerator &) = delete;

    double dotsPerInchX() const { return m_dpiX; }
    double dotsPerInchY() const { return m_dpiY; }
    int pagesOpened() const { return m_pagesOpened; }

    // IReportGenerator
    void initialise() override;
    int openDocument(int pageCount) override;
    int closeDocument() override;
    void abandonDocument() override;
    int openPage(int left, int top, int right, int bottom, const QString &pageName) override;
    int closePage() override;
    int setUp() override { return Done; }
    QString name() const override { return QStringLiteral("PRINTER"); }
    QString displayName() const override { return QStringLiteral("Printer"); }
    QString icon() const override { return {}; }

    int checkBox(const ReportControl &control) override;
    int ellipse(const ReportControl &control) override;
    int image(const ReportControl &control) override;
    int line(const ReportControl &control) override;
    int groupBox(const ReportControl &control) override;
    int polygon(const ReportControl &control) override;
    int radioButton(const ReportControl &control) override;
    int box(const ReportControl &control) override;
    int string(const ReportControl &control) override;
    int textBlock(const ReportControl &control) override;

    // Page text is bytes in the control's character set, cleaned as the PDF
    // writer cleans it.
    static QString pageText(const QByteArray &text, int charset);

private:
    int filledShape(const ReportControl &control, const std::function<void(QPainter &, const QRectF &)> &draw);
    struct Text
    {
        QByteArray text;
        int x = 0, y = 0;
        int boxWidth = 0; // limits underline and strike-out; 0 = the text's own width
        const QRectF *clip = nullptr;
        int angle = 0;
        int background = -1; // filled behind the text's extent
    };

    QPainter *canDraw(const ReportControl &control) const;
    QRectF rect(const ControlAttributes::Box &box) const;
    QRectF rect(int left, int top, int right, int bottom) const;
    QPointF point(int x, int y) const;
    QPen pen(int color, int width, int style) const;
    QFont font(const ReportControl &control) const;
    void drawText(const ReportControl &control, const Text &text);
    void drawDecoration(const ReportControl &control, const Text &text, double width, int sizeFactor);
    QImage loadImage(const ReportControl &control);

    QPainter *m_painter = nullptr;          // not owned unless it is m_ownPainter
    std::unique_ptr<QPainter> m_ownPainter; // device mode
    QPaintDevice *m_device = nullptr;       // device mode; not owned
    double m_dpiX = 96, m_dpiY = 96;
    bool m_pageOpen = false;
    int m_pagesOpened = 0;
    // A few images, for the logo that every page of a report repeats.
    std::list<std::pair<QString, QImage>> m_images;
};

} // namespace tavimo

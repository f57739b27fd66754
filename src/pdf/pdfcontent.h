#pragma once

#include <QByteArray>
#include <QPoint>
#include <QRect>

#include <vector>

namespace tavimo {

class PdfObjectTable;
class PdfTargetFile;

// The drawing of one page as content streams: text runs, clipped text
// runs and graphics runs, each its own stream object. State lines (colours,
// pen width, dash) are written only when they change within a stream.
// Positions arrive in thousandths of an inch from the top-left corner.
class PdfContent
{
public:
    PdfContent(PdfTargetFile &out, PdfObjectTable &objects);

    void startPage(int pageHeight, bool compress);
    void closeRun();
    const std::vector<int> &contents() const { return m_contents; }
    int pageHeight() const { return m_pageHeight; }

    void setPen(int color, int width, int style);
    void setFillColor(int color);
    int penColor() const { return m_pen.color; }
    int penWidth() const { return m_pen.width; }
    int penStyle() const { return m_pen.style; }
    int fillColor() const { return m_fill; }

    void rectangle(int x, int y, int w, int h);
    void line(int x, int y, int w, int h);
    void ellipse(int x, int y, int w, int h);
    void polygon(const std::vector<QPoint> &points);
    // Places image n in the box (points, lower-left corner); a mask is painted in `maskColor`.
    void image(int number, double x, double y, double w, double h, int maskColor = -1);

    struct Text
    {
        int fontNumber = 0;
        double size = 0;
        int color = 0;
        int angle = 0;        // degrees
        double width = 0;     // points, the measured extent of the text
        QByteArray escaped;   // the TJ string's contents
    };
    void text(int x, int y, const Text &text, const QRect *clip);

    // Conversions from thousandths of an inch.
    static double toPoints(double thousandths) { return thousandths * 0.072; }
    double flipY(double thousandths) const { return m_pageHeight - thousandths * 0.072; }

private:
    enum class Run { None, Text, ClippedText, Graphics };
    struct Pen
    {
        int color = 0;
        int width = 1;
        int style = 0;
    };

    void open(Run run);
    void beginGraphics();
    void writePen(bool force);
    void writePenColor(bool force);
    void writePenShape(bool force); // width and dash
    void writeFill(int color, bool force);
    void add(const QByteArray &line);
    void point(QByteArray &line, double x, double y);

    PdfTargetFile &m_out;
    PdfObjectTable &m_objects;
    int m_pageHeight = 0;
    bool m_compress = true;
    std::vector<int> m_contents;

    Run m_run = Run::None;
    int m_stream = 0;
    Pen m_pen;
    int m_fill = -1;
    // What the open stream last said.
    Pen m_writtenPen;
    int m_writtenFill = 0;
    bool m_penWritten = false, m_widthWritten = false, m_styleWritten = false, m_fillWritten = false;
};

} // namespace tavimo

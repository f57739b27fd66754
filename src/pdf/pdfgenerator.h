#pragma once

#include "controlattributes.h"
#include "ireportgenerator.h"
#include "pdfannotation.h"
#include "pdffontlist.h"
#include "pdfimage.h"
#include "pdfmessages.h"
#include "pdfoutline.h"

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace tavimo {

class FontMeasurer;
class PdfContent;
class PdfObjectTable;
class PdfTargetFile;

// Writes report pages as one PDF 1.3 file, front to back: the head when
// the document opens, each page's streams as they are drawn, and fonts,
// images, outline and cross-reference at the end. Positions are
// thousandths of an inch from the top-left corner of the page; text is
// bytes in the current font's character set; colours are Windows colour
// values (red in the low byte, -1 for none).
class PdfGenerator : public IReportGenerator, public OutputFileListUser
{
public:
    static constexpr char FixedIdentifier[] = "b94f171e8c6ad92a8dc45b559e759d39";

    PdfGenerator();
    ~PdfGenerator() override;
    PdfGenerator(const PdfGenerator &) = delete;
    PdfGenerator &operator=(const PdfGenerator &) = delete;

    // Set-up, before the document opens.
    void setDocumentInfo(const QString &title, const QString &creator, const QString &producer,
                         const QString &subject, const QString &author, const QString &keywords);
    void setOutputFileName(const QString &fileName) { m_outputFile = fileName; }
    QString outputFileName() const { return m_outputFile; }
    // An empty or blank password leaves the document unenciphered.
    void setEncryption(const QByteArray &password, int permissions);
    void setOwnerPassword(const QByteArray &password); // empty: the user password
    void setPaper(int code, int userWidth = 0, int userHeight = 0);
    void setLandscape(bool landscape) { m_landscape = landscape; }
    void setPageBookmarks(bool pagesAsParent, const QString &baseName = QStringLiteral("Page_"));
    void setCompression(bool text, bool images);
    void setMessageHandler(PdfMessages::Handler handler) { m_messages.setHandler(std::move(handler)); }
    // The report procedure's own set-up, run by setUp() after the defaults.
    void setSetUpHook(std::function<void(PdfGenerator &)> hook) { m_setUpHook = std::move(hook); }
    // Asks for a file name when none is set; empty cancels.
    void setFileNameChooser(std::function<QString()> chooser) { m_chooser = std::move(chooser); }
    // For tests: fixed dates and the fixed identifier, enciphered or not.
    void setReproducible(bool on) { m_reproducible = on; }
    FontMeasurer &fontMeasurer() { return *m_measurer; }

    // IReportGenerator
    void initialise() override;
    int openDocument(int pageCount) override;
    // The file appears, whole, only here; a document that fails on the
    // way leaves the file it was to replace as it was.
    int closeDocument() override;
    void abandonDocument() override;
    int openPage(int left, int top, int right, int bottom, const QString &pageName) override;
    int closePage() override;
    int setUp() override;
    QString name() const override { return QStringLiteral("PDF"); }
    QString displayName() const override { return QStringLiteral("PDF"); }
    QString icon() const override { return QStringLiteral("~EXP_PDF.ICO"); }
    QString targetName() const override { return m_outputFile; }

    // OutputFileListUser: every file written is added to the run's list.
    bool usesOutputFileList() const override { return true; }
    void setOutputFileList(QStringList *files) override { m_fileList = files; }

    // Controls replayed from report pages: each honours the "ALL" and
    // "PDF" groups of its attribute text (see ControlAttributes).
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

    // Told of an attribute text that cannot be read, with the position
    // (from 1) where reading stopped; once per text and document. The
    // control is drawn with what could be read.
    using AttributeErrorHandler = std::function<void(const QByteArray &text, int position)>;
    void setAttributeErrorHandler(AttributeErrorHandler handler) { m_attributeErrors = std::move(handler); }

    // A page of the current paper size.
    int openPage();
    bool isDocumentOpen() const { return m_documentOpen; }
    bool isPageOpen() const { return m_pageOpen; }
    int pageCount() const { return m_pageNo; }
    QString pageName() const { return m_pageName; }
    QByteArray identifier() const { return m_id; }
    QStringList outputFiles() const { return m_outputFiles; }

    // Drawing; each returns false when no page is open.
    void setFont(const QString &face, double size, bool bold = false, bool italic = false, int charset = 0);
    void setFontColor(int color) { m_fontColor = color; }
    void setFontAngle(int degrees) { m_fontAngle = degrees; }
    void setPen(int color, int width, int style);
    void setFillColor(int color);
    bool drawText(int x, int y, const QByteArray &text, const QRect *clip = nullptr);
    bool underlineText(int x, int y, const QByteArray &text, int boxWidth);
    bool strikeOutText(int x, int y, const QByteArray &text, int boxWidth);
    double textWidth(const QByteArray &text); // thousandths of an inch in the current font
    bool drawLine(int x, int y, int w, int h);
    bool drawRectangle(int x, int y, int w, int h);
    bool drawEllipse(int x, int y, int w, int h);
    bool startPolygon();
    bool addPolygonPoint(int x, int y);
    bool endPolygon();
    // `offset` >= 0: a bitmap header at that byte of the file. A size of 0
    // takes the image's own size in pixels as points.
    bool drawImage(const QString &fileName, long long offset, int x, int y, int w = 0, int h = 0);

    void setHyperlinkBox(bool boxed, int color);
    bool addHyperlink(int x, int y, int w, int h, const QByteArray &target);
    bool addLaunchLink(int x, int y, int w, int h, const QByteArray &file, const QByteArray &parameters);
    bool addNote(int x, int y, const QByteArray &text);
    bool addNamedAction(int x, int y, int w, int h, const QByteArray &word);
    bool addBookmark(const QByteArray &name, int x, int y, const QByteArray &parentName = {});

private:
    void resetDocumentState();
    void writeInformation();
    void writeDateString(const char *key, const QByteArray &date);
    void writeInfoString(const char *key, const QByteArray &value);
    void writeTrailingObjects();
    QByteArray newIdentifier() const;
    int currentFont();
    bool decorate(int x, int y, const QByteArray &text, int boxWidth, int sizeFactor);
    bool addAnnotation(PdfAnnotation annotation, int x, int y, int w, int h, const QByteArray &sizingText);
    QByteArray mediaBox(int width, int height) const;

    // The steps every control takes first: left out, sized, its link,
    // note and outline item made. False when nothing is to be drawn.
    bool beginControl(const ReportControl &control, const ControlAttributes &attributes, ControlAttributes::Box &box);
    void controlLinks(const ReportControl &control, const ControlAttributes &attributes,
                      const ControlAttributes::Box &box);
    // A string control's text at its position, in its font, decorated.
    void controlText(const ReportControl &control, const ControlAttributes &attributes, const QByteArray &text,
                     int x, int y, int angle, const QRect *clip, int boxWidth);
    void filledRectangle(int color, int x, int y, int w, int h);
    // The pen and fill of a box, an ellipse or a frame; false when it has neither.
    bool shapePen(const ReportControl &control);

    std::unique_ptr<PdfTargetFile> m_out;
    std::unique_ptr<PdfObjectTable> m_objects;
    std::unique_ptr<PdfContent> m_content;
    std::unique_ptr<FontMeasurer> m_measurer;
    PdfMessages m_messages;
    std::function<void(PdfGenerator &)> m_setUpHook;
    std::function<QString()> m_chooser;
    AttributeErrorHandler m_attributeErrors;
    QSet<QByteArray> m_attributeErrorsTold; // this document's
    bool m_reproducible = false;

    // Document information, WinAnsi bytes.
    QByteArray m_title, m_appName, m_progName, m_subject, m_author, m_keywords;
    QString m_outputFile;
    QStringList m_outputFiles;
    QStringList *m_fileList = nullptr; // the run's, not owned
    QByteArray m_id;
    bool m_encrypt = false;
    int m_permissions = 0;
    QByteArray m_password;
    QByteArray m_ownerPassword;
    bool m_compressText = true;
    bool m_compressImages = true;

    int m_paperCode = 1;
    int m_userWidth = 0, m_userHeight = 0;
    bool m_landscape = false;
    int m_pageWidth = 0, m_pageHeight = 0; // points, of the page being drawn
    bool m_pagesAsParent = false;
    QByteArray m_pageBookmarkName = "Page_";

    bool m_documentOpen = false;
    bool m_pageOpen = false;
    int m_totalPageNo = 0;
    int m_pageNo = 0;
    QString m_pageName;
    std::vector<int> m_pageObjects;
    int m_pageItem = -1; // the open page's outline item

    PdfFontList m_fonts;
    int m_fontNumber = 0;
    double m_pointSize = 0;
    int m_charset = 0;
    int m_fontColor = 0;
    int m_fontAngle = 0;

    std::vector<PdfImage> m_images;
    QSet<QString> m_unusableImages;
    std::vector<PdfAnnotation> m_annotations; // the open page's
    PdfOutline m_outline;
    bool m_hyperlinkBoxed = false;
    int m_hyperlinkBoxColor = 0;

    bool m_inPolygon = false;
    std::vector<QPoint> m_polygon;
    int m_polygonPenColor = 0, m_polygonPenWidth = 1, m_polygonPenStyle = 0, m_polygonColor = -1;
};

} // namespace tavimo

#include "pdfgenerator.h"

#include "fontmeasurer.h"
#include "imageexaminer.h"
#include "md5.h"
#include "papersize.h"
#include "pdfcolor.h"
#include "pdfcontent.h"
#include "pdffontwriter.h"
#include "pdfformat.h"
#include "pdfimagewriter.h"
#include "pdfobjecttable.h"
#include "pdfstrings.h"
#include "pdftargetfile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cmath>

namespace tavimo {

namespace {

constexpr int kInfoShort = 50;
constexpr int kInfoLong = 200;
constexpr int kBookmarkBase = 15;
constexpr char kHeader[] = "%PDF-1.3\r%\xE2\xE3\xCF\xD3\r\n";

QByteArray infoValue(const QString &text, int length)
{
    return PdfStrings::toWinAnsi(text).left(length);
}

} // namespace

PdfGenerator::PdfGenerator()
    : m_out(std::make_unique<PdfTargetFile>())
    , m_objects(std::make_unique<PdfObjectTable>())
    , m_content(std::make_unique<PdfContent>(*m_out, *m_objects))
    , m_measurer(std::make_unique<FontMeasurer>())
{
    initialise();
}

PdfGenerator::~PdfGenerator()
{
    // A document nobody closed did not finish: it is not kept.
    if (m_documentOpen)
        abandonDocument();
}

void PdfGenerator::abandonDocument()
{
    if (!m_documentOpen)
        return;
    m_out->abandon();
    m_out->switchEncryptionOff();
    m_documentOpen = false;
    m_pageOpen = false;
    m_outputFile.clear();
}

void PdfGenerator::initialise()
{
    resetDocumentState();
    m_title = "PDF Document";
    m_appName = "Lumora PDF";
    m_progName = "Lumora PDF";
    m_subject.clear();
    m_author.clear();
    m_keywords.clear();
    m_pageBookmarkName = "Page_";
    m_pagesAsParent = false;
    m_id = FixedIdentifier;
    m_encrypt = false;
    m_permissions = 0;
    m_password.clear();
    m_ownerPassword.clear();
    m_compressText = true;
    m_compressImages = true;
    m_paperCode = 1;
    m_userWidth = m_userHeight = 0;
    m_landscape = false;
    m_hyperlinkBoxed = false;
    m_hyperlinkBoxColor = 0;
}

void PdfGenerator::resetDocumentState()
{
    m_pageNo = 0;
    m_totalPageNo = 0;
    m_pageObjects.clear();
    m_pageItem = -1;
    m_pageName.clear();
    m_fonts.clear();
    m_fontNumber = 0;
    m_pointSize = 0;
    m_charset = 0;
    m_fontColor = 0;
    m_fontAngle = 0;
    m_images.clear();
    m_unusableImages.clear();
    m_annotations.clear();
    m_outline.clear();
    m_inPolygon = false;
    m_polygon.clear();
    m_attributeErrorsTold.clear();
    m_content->setPen(0, 1, 0);
    m_content->setFillColor(-1);
    m_measurer->clear();
}

void PdfGenerator::setDocumentInfo(const QString &title, const QString &creator, const QString &producer,
                                   const QString &subject, const QString &author, const QString &keywords)
{
    m_title = infoValue(title, kInfoShort);
    m_appName = infoValue(creator, kInfoShort);
    m_progName = infoValue(producer, kInfoShort);
    m_subject = infoValue(subject, kInfoLong);
    m_author = infoValue(author, kInfoLong);
    m_keywords = infoValue(keywords, kInfoLong);
}

void PdfGenerator::setEncryption(const QByteArray &password, int permissions)
{
    m_password = password;
    m_permissions = permissions < 0 ? -permissions : permissions;
    m_encrypt = !password.trimmed().isEmpty();
}

void PdfGenerator::setOwnerPassword(const QByteArray &password)
{
    m_ownerPassword = password;
}

void PdfGenerator::setPaper(int code, int userWidth, int userHeight)
{
    m_paperCode = code;
    m_userWidth = userWidth;
    m_userHeight = userHeight;
}

void PdfGenerator::setPageBookmarks(bool pagesAsParent, const QString &baseName)
{
    m_pagesAsParent = pagesAsParent;
    m_pageBookmarkName = PdfStrings::toWinAnsi(baseName).left(kBookmarkBase);
}

void PdfGenerator::setCompression(bool text, bool images)
{
    m_compressText = text;
    m_compressImages = images;
}

int PdfGenerator::setUp()
{
    const QString keep = m_outputFile;
    initialise();
    m_outputFile = keep;
    if (m_setUpHook)
        m_setUpHook(*this);
    if (!m_outputFile.isEmpty())
        return Done;
    const QString chosen = m_chooser ? m_chooser() : QString();
    if (chosen.isEmpty())
        return Cancelled;
    // A dot in a folder's name does not give the file an extension.
    m_outputFile = QFileInfo(chosen).fileName().contains(QLatin1Char('.')) ? chosen : chosen + QStringLiteral(".PDF");
    return Done;
}

QByteArray PdfGenerator::newIdentifier() const
{
    // Each enciphered document gets its own identifier, and with it its
    // own key stream.
    const QByteArray time = QByteArray::number(QDateTime::currentMSecsSinceEpoch());
    const QByteArray name = QFileInfo(m_outputFile).absoluteFilePath().toUtf8();
    const QByteArray size = QByteArray::number(m_totalPageNo);
    quint32 noise[4];
    QRandomGenerator::system()->fillRange(noise);
    return Md5::digest({time, name, size, QByteArrayView(reinterpret_cast<const char *>(noise), sizeof noise)})
        .toHex();
}

int PdfGenerator::openDocument(int pageCount)
{
    if (m_documentOpen)
        return Failed;
    resetDocumentState();
    m_totalPageNo = pageCount;
    if (m_outputFile.isEmpty() || !m_out->open(m_outputFile)) {
        m_messages.show(QStringLiteral("PDF File"), QStringLiteral("Cannot create ") + m_outputFile + QStringLiteral(": ")
                                                        + m_out->errorString());
        return Failed;
    }
    m_documentOpen = true;
    m_out->writeRaw(QByteArrayView(kHeader, 16));
    if (m_title.trimmed().isEmpty())
        m_title = "PDF-LM-Job";
    m_id = m_encrypt && !m_reproducible ? newIdentifier() : QByteArray(FixedIdentifier);
    if (m_encrypt) {
        m_out->setUpEncryption(m_password, m_ownerPassword, m_permissions, m_id);
    } else {
        m_out->switchEncryptionOff();
    }
    m_objects->reset(5);
    writeInformation();
    m_objects->begin(*m_out, 2);
    m_out->writeLine("<< ");
    m_out->writeLine("/Type /Catalog");
    m_out->writeLine("/Outlines 5 0 R");
    m_out->writeLine("/Pages 3 0 R");
    m_out->writeLine(">> ");
    m_out->writeLine("endobj");
    return Done;
}

void PdfGenerator::writeInfoString(const char *key, const QByteArray &value)
{
    m_out->writeRaw(QByteArray(key) + " (" + m_out->textString(1, PdfStrings::clean(value)));
    m_out->writeLine(")");
}

void PdfGenerator::writeDateString(const char *key, const QByteArray &date)
{
    // Enciphered with the rest of object 1: a reader deciphers every string.
    writeInfoString(key, date);
}

void PdfGenerator::writeInformation()
{
    const QDateTime now = m_reproducible ? QDateTime(QDate(2000, 1, 1), QTime(0, 0)) : QDateTime::currentDateTime();
    const QByteArray date = "D:" + now.toString(QStringLiteral("yyyyMMddhhmmss")).toLatin1();
    m_objects->begin(*m_out, 1);
    m_out->writeLine("<< ");
    writeDateString("/CreationDate", date);
    writeInfoString("/Title", m_title);
    writeInfoString("/Creator", m_appName);
    writeInfoString("/Producer", m_progName);
    writeDateString("/ModDate", date);
    writeInfoString("/Subject", m_subject);
    writeInfoString("/Author", m_author);
    writeInfoString("/Keywords", m_keywords);
    m_out->writeLine(">> ");
    m_out->writeLine("endobj");
}

QByteArray PdfGenerator::mediaBox(int width, int height) const
{
    const int w = m_landscape ? height : width;
    const int h = m_landscape ? width : height;
    return "/MediaBox [ 0 0 " + PdfFormat::integer(w) + ' ' + PdfFormat::integer(h) + " ]";
}

int PdfGenerator::openPage(int left, int top, int right, int bottom, const QString &pageName)
{
    setPaper(PaperSize::UserSize, right - left, bottom - top);
    const int result = openPage();
    m_pageName = pageName;
    return result;
}

int PdfGenerator::openPage()
{
    if (!m_documentOpen)
        return Failed;
    if (m_pageOpen)
        closePage();
    ++m_pageNo;
    const QSize size = PaperSize::points(m_paperCode, m_userWidth, m_userHeight);
    m_pageWidth = m_landscape ? size.height() : size.width();
    m_pageHeight = m_landscape ? size.width() : size.height();
    m_content->startPage(m_pageHeight, m_compressText);
    m_annotations.clear();
    m_pageOpen = true;
    m_pageItem = -1;
    if (m_pagesAsParent) {
        PdfOutline::Item item;
        item.name = m_pageBookmarkName.trimmed() + QByteArray::number(m_pageNo);
        item.page = m_pageNo;
        item.x = 0;
        item.y = m_pageHeight;
        m_pageItem = m_outline.add(item);
    }
    return Done;
}

int PdfGenerator::closePage()
{
    if (!m_pageOpen)
        return Failed;
    m_content->closeRun();
    m_inPolygon = false;
    m_polygon.clear();
    const int page = m_objects->allocate();
    m_pageObjects.push_back(page);
    m_objects->begin(*m_out, page, " 0 obj <<");
    m_out->writeLine("/Type /Page");
    m_out->writeLine("/Parent 3 0 R");
    m_out->writeLine("/Resources 4 0 R");
    const QSize size = PaperSize::points(m_paperCode, m_userWidth, m_userHeight);
    m_out->writeLine(mediaBox(size.width(), size.height()));
    if (!m_content->contents().empty()) {
        QByteArray list = "/Contents [";
        for (int stream : m_content->contents())
            list += ' ' + PdfFormat::integer(stream) + " 0 R";
        m_out->writeRaw(list);
        m_out->writeLine("]");
    }
    if (!m_annotations.empty()) {
        QByteArray list = "/Annots [";
        for (std::size_t i = 0; i < m_annotations.size(); ++i)
            list += ' ' + PdfFormat::integer(page + 1 + int(i)) + " 0 R";
        m_out->writeRaw(list);
        m_out->writeLine(" ]");
    }
    m_out->writeLine(">> ");
    m_out->writeLine("endobj");
    for (const PdfAnnotation &a : m_annotations)
        a.write(*m_out, *m_objects, m_objects->allocate());
    m_annotations.clear();
    m_pageOpen = false;
    return Done;
}

int PdfGenerator::closeDocument()
{
    if (!m_documentOpen)
        return Failed;
    if (m_pageOpen)
        closePage();
    writeTrailingObjects();
    m_documentOpen = false;
    const bool written = m_out->close();
    if (written) {
        m_outputFiles.append(m_outputFile);
        if (m_fileList)
            m_fileList->append(m_outputFile);
    } else {
        m_messages.show(QStringLiteral("PDF File"), QStringLiteral("Cannot write ") + m_outputFile
                                                        + QStringLiteral(": ") + m_out->errorString());
    }
    m_outputFile.clear();
    m_out->switchEncryptionOff();
    return written ? Done : Failed;
}

void PdfGenerator::writeTrailingObjects()
{
    m_outline.write(*m_out, *m_objects, m_pageObjects);

    PdfFontWriter fontWriter(*m_out, *m_objects, *m_measurer, m_messages);
    for (PdfFont &font : m_fonts.fonts())
        fontWriter.write(font);

    PdfImageWriter imageWriter(*m_out, *m_objects, m_compressImages, m_messages);
    for (PdfImage &image : m_images)
        imageWriter.write(image);

    const QSize size = PaperSize::points(m_paperCode, m_userWidth, m_userHeight);
    m_objects->begin(*m_out, 3);
    m_out->writeLine("<< ");
    m_out->writeLine("/Type /Pages");
    m_out->writeLine("/Count " + PdfFormat::integer(m_pageNo));
    m_out->writeLine(mediaBox(size.width(), size.height()));
    QByteArray kids = "/Kids [";
    for (int page : m_pageObjects)
        kids += ' ' + PdfFormat::integer(page) + " 0 R";
    m_out->writeRaw(kids);
    m_out->writeLine(" ]");
    m_out->writeLine(">>");
    m_out->writeLine("endobj");

    m_objects->begin(*m_out, 4);
    m_out->writeLine("<< ");
    if (!m_fonts.isEmpty()) {
        QByteArray fonts = "/Font <<";
        for (const PdfFont &font : m_fonts.fonts())
            fonts += " /F" + PdfFormat::integer(font.number) + ' ' + PdfFormat::integer(font.objectNo) + " 0 R";
        m_out->writeRaw(fonts + " >>\r");
    }
    if (!m_images.empty()) {
        QByteArray images = "/XObject <<";
        for (const PdfImage &image : m_images)
            images += " /Im" + PdfFormat::integer(image.imageNo) + ' ' + PdfFormat::integer(image.objectNo) + " 0 R";
        m_out->writeLine(images + " >>");
    }
    m_out->writeLine("/ProcSet [ /PDF /Text /ImageC ]");
    m_out->writeLine(">>");
    m_out->writeLine("endobj");

    int encryptObject = 0;
    if (m_out->isEncrypting()) {
        const PdfSecurity &security = m_out->security();
        encryptObject = m_objects->allocate();
        m_objects->begin(*m_out, encryptObject);
        m_out->writeLine("<< ");
        m_out->writeLine("/Filter /Standard");
        m_out->writeLine("/R 2");
        m_out->writeLine("/O (" + PdfStrings::escapeKeyEntry(security.ownerEntry()) + ")");
        m_out->writeLine("/U (" + PdfStrings::escapeKeyEntry(security.userEntry()) + ")");
        m_out->writeLine("/P -" + PdfFormat::integer(m_permissions));
        m_out->writeLine("/V 1");
        // The key is 40 bits whatever the identifier's length.
        m_out->writeLine("/Length 40");
        m_out->writeLine(">> ");
        m_out->writeLine("endobj");
    }

    const long long xref = m_objects->writeCrossReference(*m_out);
    m_out->writeLine("trailer");
    m_out->writeLine("<< ");
    m_out->writeLine("/Size " + PdfFormat::integer(m_objects->last() + 1));
    m_out->writeLine("/Info 1 0 R");
    if (encryptObject)
        m_out->writeLine("/Encrypt " + PdfFormat::integer(encryptObject) + " 0 R");
    m_out->writeLine("/Root 2 0 R");
    m_out->writeLine("/ID[<" + m_id + "><" + m_id + ">]");
    m_out->writeLine(">>");
    m_out->writeLine("startxref");
    m_out->writeLine(PdfFormat::integer(xref));
    m_out->writeLine("%%EOF");
}

void PdfGenerator::setFont(const QString &face, double size, bool bold, bool italic, int charset)
{
    m_fontNumber = m_fonts.use(face, bold, italic, charset);
    m_pointSize = size;
    m_charset = charset;
}

int PdfGenerator::currentFont()
{
    if (m_fontNumber == 0)
        setFont(QStringLiteral("Helvetica"), 10);
    return m_fontNumber;
}

void PdfGenerator::setPen(int color, int width, int style)
{
    m_content->setPen(color, width, style);
}

void PdfGenerator::setFillColor(int color)
{
    m_content->setFillColor(color);
}

double PdfGenerator::textWidth(const QByteArray &text)
{
    const PdfFont *font = m_fonts.font(currentFont());
    if (!font)
        return 0;
    QString family = font->realName;
    bool bold = font->bold();
    bool italic = font->italic();
    if (font->builtin) {
        const QString base = QString::fromLatin1(font->name);
        family = FontFinder::familyOfStandardFont(base);
        bold = base.contains(QLatin1String("Bold"));
        italic = base.contains(QLatin1String("Italic")) || base.contains(QLatin1String("Oblique"));
    }
    const FaceMetrics *m = m_measurer->metrics(family, bold, italic, m_charset == PdfFontList::SymbolCharset, nullptr);
    if (!m)
        return 0;
    long long units = 0;
    for (char c : PdfStrings::clean(text))
        units += m->widths[static_cast<unsigned char>(c)];
    // units / 1000 em at the point size, in thousandths of an inch
    return double(units) / 1000.0 * m_pointSize * 1000.0 / 72.0;
}

bool PdfGenerator::drawText(int x, int y, const QByteArray &text, const QRect *clip)
{
    if (!m_pageOpen)
        return false;
    PdfContent::Text t;
    t.fontNumber = currentFont();
    t.size = m_pointSize;
    t.color = m_fontColor;
    t.angle = m_fontAngle;
    t.escaped = PdfStrings::pageText(text, m_charset);
    if (m_fontAngle % 360 != 0)
        t.width = PdfContent::toPoints(textWidth(text));
    m_content->text(x, y, t, clip);
    return true;
}

bool PdfGenerator::decorate(int x, int y, const QByteArray &text, int boxWidth, int sizeFactor)
{
    if (!m_pageOpen)
        return false;
    const double measured = textWidth(text);
    const int length = int(std::lround(boxWidth > 0 ? std::min<double>(measured, boxWidth) : measured));
    const int color = m_content->penColor(), width = m_content->penWidth(), style = m_content->penStyle();
    m_content->setPen(m_fontColor, 1, 0);
    m_content->line(x, y + int(std::lround(m_pointSize * sizeFactor)), length, 0);
    m_content->setPen(color, width, style);
    return true;
}

bool PdfGenerator::underlineText(int x, int y, const QByteArray &text, int boxWidth)
{
    return decorate(x, y, text, boxWidth, 15);
}

bool PdfGenerator::strikeOutText(int x, int y, const QByteArray &text, int boxWidth)
{
    return decorate(x, y, text, boxWidth, 9);
}

bool PdfGenerator::drawLine(int x, int y, int w, int h)
{
    if (!m_pageOpen)
        return false;
    m_content->line(x, y, w, h);
    return true;
}

bool PdfGenerator::drawRectangle(int x, int y, int w, int h)
{
    if (!m_pageOpen)
        return false;
    m_content->rectangle(x, y, w, h);
    return true;
}

bool PdfGenerator::drawEllipse(int x, int y, int w, int h)
{
    if (!m_pageOpen)
        return false;
    m_content->ellipse(x, y, w, h);
    return true;
}

bool PdfGenerator::startPolygon()
{
    if (!m_pageOpen)
        return false;
    m_inPolygon = true;
    m_polygon.clear();
    m_polygonColor = m_content->fillColor();
    m_polygonPenColor = m_content->penColor();
    m_polygonPenWidth = m_content->penWidth();
    m_polygonPenStyle = m_content->penStyle();
    return true;
}

bool PdfGenerator::addPolygonPoint(int x, int y)
{
    if (!m_pageOpen || !m_inPolygon)
        return false;
    m_polygon.emplace_back(x, y);
    return true;
}

bool PdfGenerator::endPolygon()
{
    if (!m_pageOpen || !m_inPolygon)
        return false;
    const int color = m_content->penColor(), width = m_content->penWidth(), style = m_content->penStyle();
    const int fill = m_content->fillColor();
    m_content->setPen(m_polygonPenColor, m_polygonPenWidth, m_polygonPenStyle);
    m_content->setFillColor(m_polygonColor);
    m_content->polygon(m_polygon);
    m_content->setPen(color, width, style);
    m_content->setFillColor(fill);
    m_inPolygon = false;
    m_polygon.clear();
    return true;
}

bool PdfGenerator::drawImage(const QString &fileName, long long offset, int x, int y, int w, int h)
{
    if (!m_pageOpen)
        return false;
    const QString file = fileName.trimmed();
    // Case is kept: on this system two names that differ in case are two files.
    const QString key = offset >= 0 ? file + QLatin1Char('|') + QString::number(offset) : file;
    if (m_unusableImages.contains(key))
        return false;
    const PdfImage *image = nullptr;
    for (const PdfImage &known : m_images) {
        if (known.key == key) {
            image = &known;
            break;
        }
    }
    if (!image) {
        PdfImage found;
        found.fileName = file;
        found.key = key;
        QFile source(file);
        if (!source.open(QIODevice::ReadOnly)) {
            m_messages.show(QStringLiteral("GetImageInfo"), QStringLiteral("ERROR (%1)%2 FILE:%3")
                                                                 .arg(int(source.error()))
                                                                 .arg(source.errorString(), file));
            m_unusableImages.insert(key);
            return false;
        }
        ImageExaminer::examine(source, offset, found);
        if (found.kind == PdfImage::Unusable) {
            m_unusableImages.insert(key);
            return false;
        }
        found.imageNo = int(m_images.size()) + 1;
        m_images.push_back(found);
        image = &m_images.back();
    }
    const double width = w > 0 ? std::round(PdfContent::toPoints(w)) : image->width;
    const double height = h > 0 ? std::round(PdfContent::toPoints(h)) : image->height;
    const double left = PdfContent::toPoints(x);
    const double bottom = m_pageHeight - PdfContent::toPoints(y) - height;
    int mask = -1;
    if (image->kind == PdfImage::Bitmap && image->bitDepth == 1) {
        const unsigned c = image->paintColor;
        mask = PdfColor::fromRgb(int(c >> 16) & 0xFF, int(c >> 8) & 0xFF, int(c) & 0xFF);
    }
    m_content->image(image->imageNo, left, bottom, width, height, mask);
    return true;
}

void PdfGenerator::setHyperlinkBox(bool boxed, int color)
{
    m_hyperlinkBoxed = boxed;
    m_hyperlinkBoxColor = color;
}

bool PdfGenerator::addAnnotation(PdfAnnotation a, int x, int y, int w, int h, const QByteArray &sizingText)
{
    if (!m_pageOpen)
        return false;
    a.left = PdfContent::toPoints(x);
    a.top = m_pageHeight - PdfContent::toPoints(y);
    if (w != 0 || h != 0) {
        a.right = a.left + PdfContent::toPoints(w);
        a.bottom = a.top - PdfContent::toPoints(h);
    } else {
        // Sized from its text: half the font size per character, one size high.
        const double size = m_pointSize > 0 ? m_pointSize : 10;
        a.right = a.left + PdfStrings::clean(sizingText).size() * size / 2.0;
        a.bottom = a.top - size;
    }
    m_annotations.push_back(std::move(a));
    return true;
}

bool PdfGenerator::addHyperlink(int x, int y, int w, int h, const QByteArray &target)
{
    PdfAnnotation a;
    a.type = PdfAnnotation::UriLink;
    a.boxed = m_hyperlinkBoxed;
    a.boxColor = m_hyperlinkBoxColor;
    a.target = target.left(PdfAnnotation::MaxTarget);
    return addAnnotation(std::move(a), x, y, w, h, target);
}

bool PdfGenerator::addLaunchLink(int x, int y, int w, int h, const QByteArray &file, const QByteArray &parameters)
{
    PdfAnnotation a;
    a.type = PdfAnnotation::LaunchLink;
    a.boxed = m_hyperlinkBoxed;
    a.boxColor = m_hyperlinkBoxColor;
    a.target = file.left(PdfAnnotation::MaxTarget);
    a.parameters = parameters.left(PdfAnnotation::MaxParameters);
    return addAnnotation(std::move(a), x, y, w, h, file);
}

bool PdfGenerator::addNote(int x, int y, const QByteArray &text)
{
    PdfAnnotation a;
    a.type = PdfAnnotation::TextNote;
    a.target = text.left(PdfAnnotation::MaxTarget);
    return addAnnotation(std::move(a), x, y, 0, 0, text);
}

bool PdfGenerator::addNamedAction(int x, int y, int w, int h, const QByteArray &word)
{
    PdfAnnotation a;
    a.type = PdfAnnotation::NamedAction;
    a.boxed = m_hyperlinkBoxed;
    a.boxColor = m_hyperlinkBoxColor;
    a.target = word;
    return addAnnotation(std::move(a), x, y, w, h, word);
}

bool PdfGenerator::addBookmark(const QByteArray &name, int x, int y, const QByteArray &parentName)
{
    if (!m_documentOpen || m_pageNo == 0)
        return false;
    PdfOutline::Item item;
    item.name = name;
    item.page = m_pageNo;
    item.x = PdfContent::toPoints(x);
    item.y = m_pageHeight - PdfContent::toPoints(y);
    item.parent = m_pageItem;
    if (!PdfStrings::clean(parentName).isEmpty()) {
        int parent = m_outline.findByName(parentName);
        if (parent < 0) {
            PdfOutline::Item made = item;
            made.name = parentName;
            parent = m_outline.add(made);
        }
        item.parent = parent;
    }
    m_outline.add(item);
    return true;
}

} // namespace tavimo

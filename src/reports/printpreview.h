#pragma once

#include "pageimagecache.h"
#include "procedurewindow.h"
#include "tilegrid.h"

#include <QString>

#include <array>
#include <functional>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QSpinBox;

namespace tavimo {

class PageSource;
class PreviewArea;
class PreviewCanvas;
class SettingsStore;

// "Report Preview": the finished pages of a run, one at a time at a zoom or
// tiled as thumbnails, with page navigation, the pages to print, Save As
// and Print. The report run owns the pages; the preview only draws the ones
// on show, keeping a few page images at a time.
class PrintPreview : public ProcedureWindow
{
    Q_OBJECT
public:
    struct Zoom
    {
        const char *menuText;
        const char *statusText;
        int value;
    };
    static constexpr int TileZoom = -2;
    static constexpr int PageWidthZoom = -1;
    static constexpr int FirstZoomItem = 201; // entry n of the table is item 200 + n
    static const std::array<Zoom, 7> &zoomTable();

    static constexpr char WindowSection[] = "_PreviewWindow_";
    // Said when Save As finds nothing to save with.
    static constexpr int NoGeneratorMessage = 72;

    enum class Command { First, Previous, Next, Last, Jump, PagesToPrint, SaveAs, Print, Exit };

    // Page numbers from 1 that a "Pages to Print" list keeps, ascending.
    using PagesParser = std::function<std::vector<int>(const QString &list, int pageCount)>;
    // Handed the pages to print or save, as indexes from 0 into the source.
    // Save As answers a result, or NoGenerator when there was nothing to
    // save with; the preview then says so.
    using PrintHook = std::function<void(const std::vector<int> &pages)>;
    using SaveAsHook = std::function<int(const std::vector<int> &pages)>;
    static constexpr int NoGenerator = -1;
    // Runs a dialog the preview built and returns its result; exec() unless
    // set (tests fill the dialog in and accept it).
    using DialogRunner = std::function<int(QDialog &dialog)>;

    PrintPreview(ThreadContext &context, PageSource &pages, QWidget *owner = nullptr);
    ~PrintPreview() override;

    // Before start().
    void setSettingsStore(SettingsStore *store) { m_settings = store; } // not owned
    void setInitialZoom(int zoom) { m_initialZoom = zoom; } // a value of the table or a percentage
    void setMaximize(bool on) { m_maximize = on; }
    void setConfirmPages(bool on) { m_confirmPages = on; }
    void setTiles(int across, int down);
    void setPagesParser(PagesParser parser) { m_parser = std::move(parser); }
    void setPrintHook(PrintHook hook) { m_printHook = std::move(hook); }
    void setSaveAsHook(SaveAsHook hook) { m_saveAsHook = std::move(hook); }
    void setDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }
    void setCacheLimits(int images, qint64 bytes) { m_cache.setLimits(images, bytes); }

    int pageCount() const;
    int currentPage() const { return m_current; } // from 1
    TileGrid tiles() const { return m_tiles; }
    int zoom() const; // TileZoom, PageWidthZoom or a percentage
    QString zoomStatus() const;
    QString pageStatus() const;

    QString pagesToPrint() const { return m_pagesToPrint; }
    void setPagesToPrint(const QString &list);
    // The pages the list keeps, as indexes from 0. PagesToPrint reads the
    // list unless another parser is set; with none, every page is kept.
    std::vector<int> selectedPages() const;
    // Print was chosen: the window closed to print selectedPages().
    bool printRequested() const { return m_printRequested; }

    QAction *action(Command command) const;
    QAction *zoomAction(int item) const; // by its item number, 201 upward
    QMenu *zoomMenu() const { return m_zoomMenu; }
    QSpinBox *pageBox() const { return m_pageBox; }
    QSpinBox *acrossBox() const { return m_acrossBox; }
    QSpinBox *downBox() const { return m_downBox; }
    PreviewCanvas *canvas() const { return m_canvas; }
    PreviewArea *area() const { return m_area; }
    const PageImageCache &cache() const { return m_cache; }

    void showPage(int page);
    void setZoom(int zoom);
    void jumpToPage();
    bool askPagesToPrint(); // false when cancelled
    void saveAs();
    void print();
    void exit();

protected:
    void createContents(QDialog *window) override;
    int setup() override;
    void teardown() override;
    QString caption() const override { return QStringLiteral("Report Preview"); }

private:
    void buildMenus(QDialog *window);
    void buildToolBar(QDialog *window);
    void restorePosition();
    void savePosition();
    int runDialog(QDialog &dialog);
    void canvasClicked(QPoint at);
    void tilesEdited();
    void relayout();
    void updateControls();

    PageSource &m_source;
    PageImageCache m_cache;
    SettingsStore *m_settings = nullptr;
    PagesParser m_parser;
    PrintHook m_printHook;
    SaveAsHook m_saveAsHook;
    DialogRunner m_runDialog;

    int m_initialZoom = 100;
    bool m_maximize = false;
    bool m_confirmPages = false;
    bool m_printRequested = false;
    int m_current = 1;
    int m_zoomIndex = 4;   // into the table; -1 for a percentage of the user's
    int m_userPercent = 0;
    TileGrid m_tiles;
    QString m_pagesToPrint;

    std::array<QAction *, 9> m_actions{};
    QActionGroup *m_zoomGroup = nullptr;
    QMenu *m_zoomMenu = nullptr;
    QSpinBox *m_pageBox = nullptr;
    QSpinBox *m_acrossBox = nullptr;
    QSpinBox *m_downBox = nullptr;
    QLabel *m_zoomLabel = nullptr;
    QLabel *m_pageLabel = nullptr;
    PreviewArea *m_area = nullptr;
    PreviewCanvas *m_canvas = nullptr;
};

} // namespace tavimo

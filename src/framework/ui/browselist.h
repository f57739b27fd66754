#pragma once

#include <QTableView>

namespace tavimo {

// The list control of a browse: a table view that shows exactly the rows
// that fit, while its vertical scroll bar stands for the position in the
// whole table (0 at the top, 100 at the bottom). Scrolling, keys, the
// wheel and the thumb are handed to the browse as requests; it reads what
// they need and puts the new page in.
class BrowseList : public QTableView
{
    Q_OBJECT
public:
    enum ScrollEvent : int { ScrollUp = 1, ScrollDown, ScrollPageUp, ScrollPageDown, ScrollTop, ScrollBottom };
    enum ActionKey : int { InsertKey = 1, DeleteKey, ChangeKey, ViewKey };

    explicit BrowseList(QWidget *parent = nullptr);

    // Whole rows the viewport holds now (at least 1).
    int visibleRows() const;
    // The height that shows exactly `rows` whole rows.
    int heightForRows(int rows) const;

    void setThumb(int percent);
    int thumb() const { return m_thumb; }
    void setThumbShown(bool shown);
    bool thumbShown() const { return m_thumbShown; }

signals:
    void scrollRequested(int event);
    void wheelRows(int rows); // positive: down
    void thumbDropped(int percent);
    void keyTyped(const QString &text);
    void actionKeyPressed(int key);
    void popupRequested(const QPoint &globalPos);
    void rowsFitChanged(int rows);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void keyboardSearch(const QString &) override {}
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

private:
    void sliderAction(int action);
    void sliderReleased();
    void putThumb();
    void noteRowsFit();

    int m_thumb = 50;
    bool m_thumbShown = true;
    int m_rowsFit = 0;
    int m_wheelRest = 0;
};

} // namespace tavimo

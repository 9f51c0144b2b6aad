#pragma once

#include "framework/CommandTarget.h"

#include <QList>
#include <QObject>
#include <QString>

class CView;
class CMDIFrameWnd;

// A document owns its data and knows the views that show it. It is owned by
// its child frame and outlives its views. GUI thread only.
class CDocument : public QObject, public CCommandTarget {
    Q_OBJECT
public:
    CDocument();
    ~CDocument() override;

    // Called once by the frame before any view exists: a new, empty document
    // (true by default) or one read from `path` (false by default). A false
    // answer discards the document; the document reports its own errors.
    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const QString& path);

    // Before the document's window closes (or the program quits): a document
    // with unsaved changes offers to save them. True when the window may
    // close; false keeps it (the user cancelled, or saving failed). A
    // document without such changes answers true (the default).
    virtual bool SaveModified();
    // Whether SaveModified would ask anything: closing then asks only that,
    // not the general close question as well.
    virtual bool HasUnsavedWork() const;

    // The tab and window caption.
    QString title() const { return m_title; }
    void SetTitle(const QString& title);
    // The file the document was opened from (empty for a new document).
    // Setting it also makes its file name the title.
    QString pathName() const { return m_pathName; }
    void SetPathName(const QString& path);

    const QList<CView*>& views() const { return m_views; }
    // Asks every view but `sender` to show the document again (OnUpdate).
    void UpdateAllViews(CView* sender = nullptr);

    // The main frame the document's views live in, or nullptr (no view yet).
    CMDIFrameWnd* mainFrame() const;

    // Tells the frame that the enabled or checked state of some command may
    // have changed (a mode set outside a command, a thread finished).
    void CommandStateChanged();

signals:
    void titleChanged(const QString& title);
    void commandStateChangeRequested();

private:
    friend class CView;
    void AddView(CView* view);
    void RemoveView(CView* view);

    QString m_title;
    QString m_pathName;
    QList<CView*> m_views;
};

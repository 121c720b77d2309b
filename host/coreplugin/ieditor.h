#pragma once

// Stand-in for the IDE's editor: a document and the widget that edits it.
// The widget belongs to whoever the editor hands it to (normally a layout).

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace Core {

class IDocument;

class IEditor : public QObject
{
    Q_OBJECT
public:
    explicit IEditor(QObject *parent = nullptr) : QObject(parent) {}

    virtual IDocument *document() const = 0;
    QWidget *widget() const { return m_widget.data(); }

    // Lines count from 1, columns from 0.
    virtual void gotoLine(int line, int column = 0, bool centerLine = true) = 0;
    virtual int currentLine() const = 0;
    virtual int currentColumn() const = 0;

protected:
    void setWidget(QWidget *widget) { m_widget = widget; }

private:
    QPointer<QWidget> m_widget;
};

} // namespace Core

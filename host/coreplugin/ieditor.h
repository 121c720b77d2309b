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

protected:
    void setWidget(QWidget *widget) { m_widget = widget; }

private:
    QPointer<QWidget> m_widget;
};

} // namespace Core

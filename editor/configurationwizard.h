#pragma once

// The dialog in which the user edits one definition of a type model: one
// field of a class, one class, or the display customization of a container.
// It is a stack of pages of rows bound to JSON keys; which page follows
// depends on what has been entered so far. As an input, its value is the
// whole definition.

#include "configurationwizardtypes.h"

#include "configuration/baseinput.h"

#include <QDialog>
#include <QFrame>
#include <QList>
#include <QMap>
#include <QVector>

#include <memory>

QT_BEGIN_NAMESPACE
class QLabel;
class QPushButton;
class QStackedLayout;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Configuration {

class AccessorField;
class BitArrayOptions;
class EnumField;
class ExclusiveChoice;
class FieldInputBase;
class FieldList;
class GeneralAccessor;
class StringOptions;
template<class T>
class FieldInput;

class HLine : public QFrame
{
    Q_OBJECT
public:
    HLine();
};

// One page: rows in a four-column grid, complete when every row is valid.
class MyWizardPage : public QWidget
{
    Q_OBJECT
public:
    explicit MyWizardPage(QWidget *parent);

    // signal: the signature text of the row's change signal ("2changed()").
    void addRow(BaseInput *row, const char *signal, bool addToLayout);
    bool isComplete() const;
    BaseInput *findRow(const QString &key) const;
    const QList<BaseInput *> &rows() const { return m_rows; }

    QString title;
    QString subtitle;

signals:
    void updateWidget();

private:
    QList<BaseInput *> m_rows;
};

class ConfigurationWizard : public QDialog, public BaseInput, public ConfigurationWizardTypes
{
    Q_OBJECT
public:
    ConfigurationWizard(const QString &key, OperatingMode operatingMode, QWidget *parent);
    ~ConfigurationWizard() override;

    bool showError(PythonError *error) override;
    QJsonValue value() const override;
    void setValue(const QJsonObject &object, bool byKey) override;
    PythonCode generate() override;
    // Completeness is judged page by page, through Next and Finish.
    bool isValid() const override { return true; }

    void addPage(int id, MyWizardPage *page, const QString &title, const QString &subtitle);
    int nextPage() const;
    void goToPage(int id);

    void installHelp();
    void setCustomizationKind(int kind);
    void customizationHelp(const QString &localText);

    static QString arrayHelp();
    static QString linkedContainerHelp();
    static QString templateArgumentHelp();
    static QString displayStepsHelp(const QString &what);
    static QString valueHelp();
    static QString keyHelp();

    int operatingMode() const { return m_mode; }
    int currentPageId() const { return m_currentPage; }
    int firstPageId() const { return m_firstPage; }
    const QVector<int> &history() const { return m_history; }
    MyWizardPage *page(int id) const { return m_pages.value(id); }
    QList<int> pageIds() const { return m_pages.keys(); }
    // The page shown in the stack (its widget).
    QWidget *shownPage() const;
    QLabel *titleLabel() const { return m_titleLabel; }
    QLabel *subtitleLabel() const { return m_subtitleLabel; }
    QPushButton *backButton() const { return m_back; }
    QPushButton *nextButton() const { return m_next; }
    QPushButton *finishButton() const { return m_finish; }
    QPushButton *deleteButton() const { return m_delete; }
    QPushButton *cancelButton() const { return m_cancel; }
    // The row of a key on a page, null when that page has none.
    BaseInput *row(int pageId, const QString &key) const;
    AccessorField *accessorRow(int pageId, const QString &key) const;
    ExclusiveChoice *choiceRow(const QString &key) const;
    FieldList *fieldList() const { return m_fieldList; }
    EnumField *enumerationRow(int pageId) const;
    QString rememberedSingular() const { return m_rememberedSingular; }

public slots:
    bool goToNext();
    bool goToPrevious();
    void syncItemNames();
    bool syncTypesAndModel();
    void synchronize();
    void showDeleteButton(bool show);

protected:
    // Hidden widgets of an unshown dialog count as valid; once shown, the
    // buttons are re-evaluated against what is really required.
    void showEvent(QShowEvent *event) override;

private:
    MyWizardPage *newPage(int id, const QString &title, const QString &subtitle);
    AccessorField *addField(MyWizardPage *page, quint64 options, const QString &label, const QString &key);
    void setDefaultText(AccessorField *row, const QString &text);
    void buildFieldPages();
    void buildContainerPages();
    void buildClassPage();
    void buildCustomizationPage();
    void showPage(int id);
    quint64 fieldType() const;
    void merge(QJsonObject &result, const BaseInput *row) const;
    void mergeCustomizedRows(QJsonObject &result) const;
    void mergeFieldRows(QJsonObject &result) const;
    void mergeClassRows(QJsonObject &result) const;
    void updateClassRows();
    void updateCustomizedRows();

    // Rows with a default text that the printers apply to an absent key as
    // well: an absent key shows the default and reads back as absent.
    void showDefaultWhenAbsent(AccessorField *row, const QJsonObject &definition, const QString &text);
    void showIdentityWhenAbsent(GeneralAccessor *accessor, const QJsonObject &definition);
    // Every key a row of any page stands for.
    QList<BaseInput *> allRows() const;

    int m_mode;
    bool m_enable = true;
    // The definition last loaded: the keys no row stands for are written
    // back as they came.
    QJsonObject m_loaded;
    int m_customizationKind = -1;
    QString m_rememberedSingular;

    QLabel *m_titleLabel;
    QLabel *m_subtitleLabel;
    QStackedLayout *m_stack;
    QPushButton *m_back;
    QPushButton *m_next;
    QPushButton *m_finish;
    QPushButton *m_delete;
    QPushButton *m_cancel;
    QMap<int, int> m_pageIndex;
    QMap<int, MyWizardPage *> m_pages;
    int m_firstPage = 0;
    int m_currentPage = 0;
    QVector<int> m_history;

    // Page 9
    AccessorField *m_type;
    AccessorField *m_model;
    AccessorField *m_displayedName;
    AccessorField *m_userNode;
    GeneralAccessor *m_accessor;
    // Page 1
    AccessorField *m_trueValue;
    AccessorField *m_falseValue;
    // Page 2
    EnumField *m_fieldEnumeration;
    // Page 3
    AccessorField *m_arrayBase;
    AccessorField *m_arraySize;
    AccessorField *m_cellDefinition;
    AccessorField *m_invalidCondition;
    AccessorField *m_overflowSpace;
    AccessorField *m_arrayNbElement;
    // Page 4
    AccessorField *m_linkedBase;
    AccessorField *m_left;
    AccessorField *m_right;
    AccessorField *m_nodeDefinition;
    AccessorField *m_endCondition;
    AccessorField *m_linkedNbElement;
    // Pages 10 to 13
    ExclusiveChoice *m_dimension;
    AccessorField *m_itemName;
    AccessorField *m_itemsName;
    GeneralAccessor *m_key;
    GeneralAccessor *m_value;
    // Page 14
    AccessorField *m_group;
    AccessorField *m_className;
    AccessorField *m_feature;
    GeneralAccessor *m_header;
    StringOptions *m_string;
    BitArrayOptions *m_bitArray;
    FieldList *m_fieldList;
    std::unique_ptr<FieldInput<FieldList>> m_fields;
    EnumField *m_classEnumeration;
    // Page 15
    ExclusiveChoice *m_scope;
    ExclusiveChoice *m_customization;
    GeneralAccessor *m_keyCustom;
    GeneralAccessor *m_valueCustom;
    AccessorField *m_filter;
};

} // namespace Configuration
} // namespace KorvanDebugger

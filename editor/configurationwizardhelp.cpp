// The help of the model wizard: the tool tip and What's This text of every
// row, and the link texts its What's This texts point to.

#include "configurationwizard.h"

#include "accessorinput.h"
#include "exclusivechoice.h"
#include "fieldinput.h"
#include "generalaccessor.h"
#include "objectwithlink.h"
#include "pythoneditor.h"

#include "configuration/keys.h"

#include <QCoreApplication>

namespace KorvanDebugger {
namespace Configuration {

namespace {

QString shared(const char *text)
{
    return QCoreApplication::translate("QObject", text);
}

} // namespace

QString ConfigurationWizard::arrayHelp()
{
    return shared(
        "An <b>array</b> is a container that is based on the following principles:<ul>"
        "<li>The cells are stored one after the other. A cell holds the object, a pointer to the object, either of "
        "them given by its size, or a structure holding one of those.</li>"
        "<li>The size of the array is known. It is the number of cells, not the number of objects.</li>"
        "<li>The navigation goes by pointer increment, from the base address, the cell size and the array "
        "size.</li></ul>"
        "Two optional rules may be added:<ul>"
        "<li>A test, per cell, that tells whether the data of the cell is invalid.</li>"
        "<li>A secondary storage area, chained as a list of cells (overflow space).</li></ul>"
        "When one of them is used, the real number of objects may differ from the number of cells. It can be "
        "given by an extra optional parameter; otherwise it is unknown until the array is expanded and is shown "
        "as <i>&lt;&lt;&#x2060;?&#x2060;?&#x2060;?&#x2060;&gt; items&gt;</i>.");
}

QString ConfigurationWizard::linkedContainerHelp()
{
    return shared(
        "A <b>Linked Container</b> is a container that is based on the following principles:<ul>"
        "<li>The nodes are stored one after the other. A node holds the object (or a pointer to it, or either of "
        "them given by its size, or a structure holding one of those) and the link(s) to other nodes.</li>"
        "<li>A node has up to 2 links: with one link (left) the container is a chained list; with two links "
        "(left and right) it is a b-tree, in which the values of the left subtree come before the node and "
        "those of the right subtree after it.</li>"
        "<li>The navigation stops at a NULL pointer or at a condition that the user defines.</li></ul>");
}

QString ConfigurationWizard::templateArgumentHelp()
{
    return shared("<li><b>Template Argument index</b>: %1 GDB can't determine the real data type. The real type "
                  "is determine by a template argument of the class holding this field. Enter here the index "
                  "number of the right template argument.");
}

QString ConfigurationWizard::displayStepsHelp(const QString &what)
{
    return shared("The display of %1 is based on the following steps:<ul><li> Access to the data "
                  "(Accessor)</li><li> Cast to the real data type (Type). This is optional.</li><li> Post cast "
                  "processing to format the display %1</li></ul><i>Important Note:</i> the key and the value "
                  "are free to come from any part of the cell. For a map of int to a pair (child, parent), the "
                  "parent may be taken as the key and the child as the value.")
        .arg(what);
}

QString ConfigurationWizard::valueHelp()
{
    return shared("A Value is an element that is managed in a Container. Depending on the type of container the "
                  "value is used in different ways:<ul><li><b>1-D container</b>: The values are numbered starting "
                  "from 0 in the container (Iteration order), regardless of weither or not this is "
                  "meaningfull.</li><li><b>2-D container</b>: The Values are defined as a corresponding value for "
                  "a Key. They are fondamentally linked to the key and are displayed associated with their "
                  "key.</li></ul>In the GUI, the values are displayed in the <sup>2nd</sup> column of the "
                  "Wachers.<br><br>")
        + displayStepsHelp(shared("the value"));
}

QString ConfigurationWizard::keyHelp()
{
    return shared("A Key is an element that is managed in a Container. Depending on the type of container the "
                  "value is used in different ways:<ul><li><b>1-D container</b>: Key notion is not "
                  "applicable.<li><li><b>2-D container</b>: The Keys are defined as a primary entry in the "
                  "container. </ul>In the GUI, the keys are displayed in the 1<sup>st</sup> column of the "
                  "Wachers.<br><br>")
        + displayStepsHelp(shared("the key"));
}

void ConfigurationWizard::installHelp()
{
    QMap<QString, QString> &links = ObjectWithLink<QLabel>::links;
    const QString arrayLink = tr("You can find <a href='ARRAY'><b>here</b></a> the definition of an array "
                                 "container.<br>");
    const QString linkedLink = tr("You can find <a href='LINKED'><b>here</b></a> the definition of a linked "
                                  "container.<br>");
    links.insert(QStringLiteral("ARRAY"), arrayHelp());
    links.insert(QStringLiteral("LINKED"), linkedContainerHelp());

    const QString arrayNote = tr(
        "<br>It has to be noticed that an array may contains more cells than actually stored objects as in the "
        "following cases:<ul><li>A hash table with empty space, an invalid condition being defined.</li>"
        "<li>Deprecated data, an invalid condition being defined.</li><li>Space pre-reserved at the bounds of "
        "the array.</li></ul>Two notions are then to be distinguished:<ul><li><b>Array size</b>: the reserved "
        "memory.</li><li><b>Number of Elements</b>: the real count of objects.</li></ul>The <i>Nb Elements</i> "
        "field is optional. Without it, Korvan debugger uses the <i>Array Size</i>: when the array is folded, "
        "the count shows as &lt;&#x2060;?&#x2060;?&#x2060;?&#x2060;&gt; (too costly to compute); when it is "
        "expanded, the real count is shown.<br>");
    const QString overflowText = tr(
        " The <i>Overflow Space</i> is modeled as a chained list of array cells, which means that:<ul> <li>Every "
        "single cell in the array is containing a pointer to the next cell.</li> <li>The pointer is NULL if no "
        "overflow space is used or the end of the chained list is reached.</li> <li>An invalid cell does not have "
        "overflow. This applies to all cells: from the array or from the chained list.</li></ul>");

    const auto options = [](AccessorField *row, const QString &sentence) {
        return sentence.arg(row->input()->optionHelpList());
    };

    m_displayedName->setHelp(tr("The <i>displayed name</i> is the name of the field as displayed by Korvan "
                                "debugger in the GUI."),
                             QString());
    m_userNode->setHelp(tr("The <i>User Note</i> is a test available to the user to document the current work."),
                        tr("You can use it to document your own class.<br>This information is optional."));
    m_trueValue->setHelp(tr("The <i>True</i> value is the value that you want Korvan debugger to display in the "
                            "GUI instead of 'true' for a boolean type."),
                         QString());
    m_falseValue->setHelp(tr("The <i>False</i> value is the value that you want Korvan debugger to display in the "
                             "GUI instead of 'false' for a boolean type."),
                          QString());
    m_arrayBase->setHelp(tr("The <i>Array base</i> is the accessor to the memory start address where the array data "
                            "is stored."),
                         arrayLink
                             + options(m_arrayBase, tr("The <i>Array base</i> can be defined through the various "
                                                       "options provided in the pop-up menu:<ul>%1</ul>")));
    m_arraySize->setHelp(tr("The <i>Array Size</i> is used to determine the number of cells stored in the the array "
                            "storage area."),
                         arrayLink + arrayNote
                             + options(m_arraySize, tr("The <i>Array Size</i> can be defined through the various "
                                                       "options provided in the pop-up menu:<ul>%1</ul>")));
    m_cellDefinition->setHelp(
        tr("The <i>Cell Definition</i> is the type of each array cell."),
        arrayLink
            + options(m_cellDefinition, tr("The <i>Cell Definition</i> can be defined through the various options "
                                           "provided in the pop-up menu:<ul>%1</ul>")));
    m_invalidCondition->setHelp(
        tr("The <i>Invalid Condition</i> test is used to determine if the object stored in a cell is retainable. "
           "This API returns True or False (Python constant)."),
        arrayLink
            + options(m_invalidCondition, tr("The <i>Invalid Condition</i> can be defined through the various "
                                             "options provided in the pop-up menu:<ul>%1</ul>")));
    m_overflowSpace->setHelp(
        tr("The <i>Overflow Space</i> is used to facilitate modeling of hash tables with overflow space when "
           "collision is detected."),
        arrayLink + overflowText
            + options(m_overflowSpace, tr("The <i>Overflow Space</i> can be defined through the various options "
                                          "provided in the pop-up menu:<ul>%1</ul>")));
    m_arrayNbElement->setHelp(
        tr("The <i>Nb Elements</i> is used to determine the number of really managed objects in the array."),
        arrayLink + arrayNote
            + options(m_arrayNbElement, tr("The <i>Nb Elements</i> can be defined through the various options "
                                           "provided in the pop-up menu:<ul>%1</ul>")));
    m_linkedBase->setHelp(
        tr("The <i>1<sup>st</sup> cell</i> field is used to access to the root element of a linked container."),
        linkedLink
            + options(m_linkedBase, tr("The <i>1<sup>st</sup> cell</i> can be defined through the various options "
                                       "provided in the pop-up menu:<ul>%1</ul>")));
    m_left->setHelp(tr("The <i>Left cell</i> field is used to access to the first linked cell from a particular "
                       "cell."),
                    linkedLink
                        + options(m_left, tr("The <i>Left cell</i> can be defined through the various options "
                                             "provided in the pop-up menu:<ul>%1</ul>")));
    m_right->setHelp(tr("The <i>Right cell</i> field is used to access to the second linked cell from a particular "
                        "cell."),
                     linkedLink
                         + options(m_right, tr("The <i>Right cell</i> can be defined through the various options "
                                               "provided in the pop-up menu:<ul>%1</ul>")));
    m_nodeDefinition->setHelp(
        tr("The <i>Node Definition</i> is the type of node in the linked container."),
        linkedLink
            + options(m_nodeDefinition, tr("The <i>node Definition</i> can be defined through the various options "
                                           "provided in the pop-up menu:<ul>%1</ul>")));
    m_endCondition->setHelp(
        tr("The <i>End Condition</i> field is used to define a link navigation stopper rule, other than NULL "
           "condition."),
        linkedLink
            + options(m_endCondition, tr("The <i>End Condition</i> can be defined through the various options "
                                         "provided in the pop-up menu:<ul>%1</ul>")));
    m_linkedNbElement->setHelp(
        tr("The <i>Nb Elements</i> is used to determine the number of managed objects in the linked container."),
        linkedLink
            + options(m_linkedNbElement,
                      tr("The <i>Nb Elements</i> field is not mandatory and Korvan debugger does not need this "
                         "information to manage the linked container.<br>When the container is folded, the count "
                         "shows as &lt;&#x2060;?&#x2060;?&#x2060;?&#x2060;&gt; (too costly to compute); when it is "
                         "expanded, the real count is shown.<br>The <i>Nb Elements</i> can be defined through the "
                         "various options provided in the pop-up menu:<ul>%1</ul>")));
    m_itemName->setHelp(tr("The <i>Singular</i> field is used to name the container object when 0 or 1 item is "
                           "managed."),
                        QString());
    m_itemsName->setHelp(
        tr("The <i>Plurial</i> field is used to name the container objects when 2 or more items are managed."),
        tr("This field is automatically link to the <i>Singular</i> field. It is created just by adding a 's' at "
           "the end of the word. In that case, editing the <i>Singular</i> field will automatically updates this "
           "one too.<br>However, it is still possible to update the <i>items</i> field manually and break the "
           "above rule."));
    m_className->setHelp(
        tr("The <i>Class Name</i> is used to define the C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ struct/class that is "
           "configured through the current Pretty Printer."),
        tr("When defining a class name, you must enter the fully qualified name of the class, including any nested "
           "namespace if applicable. You must use the '::' operator to separate the various parts of the name as "
           "in C&#x2060;+&#x2060;+ standard naming convention."));
    m_accessor->installHelp(tr("The Accessor"), QString(),
                            tr("The <i>Acccessor</i> defines the mechanism that is used to access to the sub-field "
                               "from the class."));
    links.insert(QStringLiteral("KEY"), keyHelp());
    m_key->installHelp(tr("The Key"), tr("You can find <a href='KEY'>here</a> the definition of a key."),
                       tr("The <i>Key</i> defines the mechanism that is used to access to the key in a container "
                          "(starting from the cell)."));
    links.insert(QStringLiteral("VALUE"), valueHelp());
    m_value->installHelp(tr("The Value"), tr("You can find <a href='VALUE'>here</a> the definition of a value."),
                         tr("The <i>Value</i> defines the mechanism that is used to access to the value in a "
                            "container (starting from the cell)."));
    m_header->installHelp(tr("The header"), QString(),
                          tr("Here is defined the mechanism that is used to build the heading of a class. The "
                             "<i>header</i> field is used to construct the 'single line' value that is used to "
                             "describe the class when it is folded in Qt-Creator interface."));
    m_group->setHelp(
        tr("The <i>group</i> notion is exclusively used to facilitate the management of the various Pretty "
           "Printers by regrouping them together."),
        tr("It has no impact on their behavior other than grouping them together. Grouping has the following "
           "advantages:<ul><li>The uniqueness of the pretty printers is enforced only within a group.</li><li>You "
           "may keep one group per library.</li><li>A whole group can be enabled or disabled at once, which keeps "
           "the start-up time of the debugger short.</li></ul><i>Note:</i> enabling a group enables all its pretty "
           "printers and disables the pretty printers of the same name enabled in any other group."));
    m_feature->setHelp(tr("The <i>feature</i> define the kind of model you are building."),
                       options(m_feature, tr("The <i>feature</i> is used to define the class model. The following "
                                             "models are available:<ul>%1</ul>")));
    m_type->setHelp(tr("The <i>Field Type</i> define the kind of sub-field of a class you are building."),
                    options(m_type, tr("The <i>Field Type</i> is used to define the field model. The following "
                                       "models are available:<ul>%1</ul>")));
    m_dimension->setToolTip(tr("The <i>size</i> defines the dimension of the container."));
    m_dimension->setWhatsThis(
        tr("The supported dimensions of the container are:<ul>") + m_dimension->choiceHelp()
        + tr("</ul>The above consideration is totally independant of the actual "
             "C&#x2060;/&#x2060;C&#x2060;+&#x2060;+ container. Take a list of objects holding many fields: any of "
             "these fields may serve as the key or as the value, and so turn a 1-D container into a 2-D one."));
    m_customization->setToolTip(
        tr("The <i>Customization Options</i> defines the altered dimension of the container."));
    m_keyCustom->installHelp(
        tr("The Customized Key"), tr("You can find <a href='KEY'>here</a> the definition of a key."),
        tr("The <i>Customized Key</i> defines the mechanism that is used to access alter/create a key from the "
           "underlying container definition.<br>Depending on the <i>Customization Options</i>, the key is computed "
           "from the former container key or value.<br>You may find detailed explanation under the "
           "<i>Customization Options</i> definition."));
    m_valueCustom->installHelp(
        tr("The Customized Value"), tr("You can find <a href='VALUE'>here</a> the definition of a value."),
        tr("The <i>Customized Value</i> defines the mechanism that is used to access alter/create a value from the "
           "underlying container definition.<br>Depending on the <i>Customization Options</i>, the key is computed "
           "from the former container key or value.<br>You may find detailed explanation under the "
           "<i>Customization Options</i> definition."));
    m_filter->setHelp(
        tr("The <i>Filter</i> is used to alter the display of a container content by removing the element that "
           "does not meet the criteria that the filter defines."),
        options(m_filter, tr("The <i>Filter</i> is applied on the customized key or value.<br>The <i>Filter</i> "
                             "either returns <i>True</i> or <i>False</i>. Only the elements that meet the criteria "
                             "are displayed (Returned value is <i>True</i>).The other ones are discarded.<br>The "
                             "following options are available to define the filter rule:<ul>%1</ul>")));
    m_scope->setToolTip(tr("The <i>Scope</i> defines the visibility of the customization."));
    m_model->setHelp(
        tr("The <i>Model Name</i> refers to the model that you want to reuse."),
        tr("The <i>Model Name</i> is referencing to an existing model that is built using Korvan Debugger Pretty "
           "Printers engine.<ul><li><b>Field From Model</b>: a model, typically of a base class, whose fields are "
           "reused at the level of the current object. The fields of a disabled model are not shown.</li>"
           "<li><b>Customized Container Field</b>: a container model, extracted as usual, with extra rules that "
           "alter its dimension, its key or its value and may filter its content, like the customization of the "
           "locals view, but defined for a variable type instead of a variable name.</li></ul>"));
}

} // namespace Configuration
} // namespace KorvanDebugger

import QtQuick
import QtQuick.Controls.Basic
import Vokari

// A grouped table: section headings, rows with detail text, the disclosure mark, the tick, and
// rows whose detail is an input.
Item {
    id: table
    property var value: ({})
    property int element: -1
    property int serial: -1
    visible: !value.hidden
    implicitHeight: sectionsColumn.implicitHeight

    Column {
        id: sectionsColumn
        width: parent.width
        spacing: 6
        Repeater {
            model: table.value.sections || []
            delegate: Column {
                id: section
                required property var modelData
                required property int index
                readonly property int sectionIndex: index
                width: sectionsColumn.width
                spacing: 4
                Text {
                    visible: (section.modelData.heading || "") !== ""
                    x: Theme.margin + 4
                    text: section.modelData.heading || ""
                    color: Theme.secondary
                    font.pixelSize: Theme.smallFontSize
                    topPadding: 4
                }
                Rectangle {
                    visible: rows.count > 0
                    x: Theme.margin
                    width: parent.width - 2 * Theme.margin
                    height: rowsColumn.implicitHeight
                    radius: Theme.radius
                    color: Theme.card
                    clip: true
                    Column {
                        id: rowsColumn
                        width: parent.width
                        Repeater {
                            id: rows
                            model: section.modelData.rows || []
                            delegate: TableRow {
                                width: rowsColumn.width
                                sectionIndex: section.sectionIndex
                                last: index === rows.count - 1
                            }
                        }
                    }
                }
            }
        }
    }

    // A row: pressed as a whole, or, when its detail is an input, edited there (named after the
    // row's text); the editor is made only for such a row.
    component TableRow: Pressable {
        id: row
        required property var modelData
        required property int index
        property int sectionIndex
        property bool last
        readonly property bool editable: !!modelData.editable
        objectName: "row:" + (modelData.text || "")
        implicitHeight: Math.max(Theme.rowHeight, textColumn.implicitHeight + 16)
        focusInset: 2
        activeFocusOnTab: !editable
        text: modelData.text || ""
        checked: !!modelData.checked
        Accessible.role: editable ? Accessible.StaticText : Accessible.ListItem
        Accessible.name: [text, editable ? "" : (modelData.detail || "")].filter(t => t !== "").join(" ")
        Accessible.checkable: checked
        Accessible.checked: checked
        Accessible.ignored: editable  // its editor stands for it
        onClicked: client.select(table.serial, table.element, row.sectionIndex, row.index)

        background: Rectangle {
            color: row.down && !row.editable ? "#e8ecf3" : "transparent"
        }
        Rectangle {
            // The row's icon resource, drawn here: "weibo" the microblog's mark, "jh" the badge.
            id: icon
            readonly property string name: row.modelData.icon || ""
            objectName: name === "" ? "" : "icon:" + name
            visible: name !== ""
            anchors { left: parent.left; leftMargin: 14; verticalCenter: parent.verticalCenter }
            width: visible ? 26 : 0
            height: 26
            radius: name === "weibo" ? 13 : 6
            color: name === "weibo" ? "#e6162d" : "#1d4e9e"
            Text {
                anchors.centerIn: parent
                text: icon.name === "weibo" ? "微" : icon.name === "jh" ? "警" : icon.name.charAt(0)
                color: "white"
                font.pixelSize: 14
                font.bold: true
            }
        }
        Text {
            id: textColumn
            anchors { left: icon.right; leftMargin: icon.visible ? 10 : 14; verticalCenter: parent.verticalCenter }
            width: row.editable ? parent.width * 0.34
                 : parent.width - 28 - icon.width - trailing.width - (detail.visible ? Math.min(detail.implicitWidth, parent.width * 0.45) + 8 : 0)
            text: row.modelData.text || ""
            wrapMode: Text.Wrap
            color: Theme.text
            font.pixelSize: 15
        }
        Text {
            id: detail
            visible: !row.editable && (row.modelData.detail || "") !== ""
            anchors { right: trailing.left; rightMargin: 6; verticalCenter: parent.verticalCenter }
            width: Math.min(implicitWidth, parent.width * 0.45)
            horizontalAlignment: Text.AlignRight
            elide: Text.ElideRight
            text: row.modelData.detail || ""
            color: Theme.secondary
            font.pixelSize: 14
        }
        Loader {
            active: row.editable
            anchors { left: textColumn.right; leftMargin: 6; right: trailing.left; rightMargin: 6
                      verticalCenter: parent.verticalCenter }
            height: 36
            sourceComponent: TextField {
                objectName: "rowEditor:" + (row.modelData.text || "")
                background: Rectangle { radius: 6; color: "#f4f5f8"; border.color: parent.activeFocus ? Theme.accent : "transparent" }
                font.pixelSize: 15
                text: row.modelData.detail || ""
                selectByMouse: true
                Accessible.name: row.modelData.text || ""
                onTextEdited: client.editRow(table.serial, table.element, row.sectionIndex, row.index, text)
            }
        }
        Text {
            id: trailing
            anchors { right: parent.right; rightMargin: 12; verticalCenter: parent.verticalCenter }
            text: row.modelData.checked ? "✓" : row.modelData.disclosure ? "›" : ""
            width: text === "" ? 0 : implicitWidth
            color: row.modelData.checked ? Theme.accent : Theme.hint
            font.pixelSize: row.modelData.checked ? 18 : 24
            font.bold: !!row.modelData.checked
        }
        Rectangle {
            visible: !row.last
            anchors { left: parent.left; leftMargin: 14; right: parent.right; bottom: parent.bottom }
            height: 1
            color: Theme.separator
        }
    }
}

import QtQuick
import Vokari

// A picker: one wheel per column, the selected row in the middle band. A wheel turns one row
// per notch of the mouse wheel or per Up/Down key, and only while it has the focus (a click
// gives it): scrolling the page over it scrolls the page. A click on a row chooses that row.
Item {
    id: picker
    property var value: ({})
    property int element: -1
    property int serial: -1
    readonly property var columns: value.columns || []
    visible: !value.hidden
    implicitHeight: 180

    function scrollPage(dy) {
        for (let p = picker.parent; p; p = p.parent) {
            if (p.objectName !== "elementList") continue
            const top = p.originY - p.topMargin
            const bottom = p.originY + p.contentHeight + p.bottomMargin - p.height
            p.contentY = Math.max(top, Math.min(Math.max(top, bottom), p.contentY - dy))
            return
        }
    }

    Rectangle {
        x: Theme.margin
        width: parent.width - 2 * Theme.margin
        height: parent.height
        radius: Theme.radius
        color: Theme.card
        Rectangle {  // the selection band
            anchors.verticalCenter: parent.verticalCenter
            x: 8
            width: parent.width - 16
            height: 36
            radius: 8
            color: "#eef2f9"
        }
        Row {
            anchors.fill: parent
            Repeater {
                model: picker.columns.length
                delegate: Item {
                    id: wheel
                    required property int index
                    readonly property var rows: picker.columns[index] || []
                    readonly property int selected: (picker.value.selected || [])[index] || 0
                    readonly property int currentIndex: selected
                    readonly property int count: rows.length
                    readonly property real rowHeight: 36
                    objectName: "picker:" + index
                    width: picker.columns.length ? (picker.width - 2 * Theme.margin) / picker.columns.length : 0
                    height: 180
                    activeFocusOnTab: true
                    Accessible.role: Accessible.List
                    Accessible.name: rows[selected] || ""
                    Accessible.focusable: true
                    Accessible.focused: activeFocus

                    function choose(row) {
                        row = Math.max(0, Math.min(rows.length - 1, row))
                        if (row !== selected) client.pick(picker.serial, picker.element, index, row)
                    }
                    Keys.onUpPressed: choose(selected - 1)
                    Keys.onDownPressed: choose(selected + 1)

                    ListView {
                        id: view
                        anchors.fill: parent
                        clip: true
                        interactive: false  // turned by the wheel and keys below, a row at a time
                        model: wheel.rows
                        currentIndex: wheel.selected
                        highlightRangeMode: ListView.StrictlyEnforceRange
                        preferredHighlightBegin: (height - wheel.rowHeight) / 2
                        preferredHighlightEnd: (height + wheel.rowHeight) / 2
                        highlightMoveDuration: 120
                        delegate: Text {
                            required property var modelData
                            required property int index
                            width: view.width
                            height: wheel.rowHeight
                            text: modelData
                            horizontalAlignment: Text.AlignHCenter
                            verticalAlignment: Text.AlignVCenter
                            elide: Text.ElideRight
                            color: Theme.text
                            font.pixelSize: 15
                            opacity: 1.0 - Math.min(Math.abs(index - view.currentIndex), 2) * 0.3
                            Accessible.ignored: true  // the wheel reads out its choice
                        }
                    }
                    // A click on a row chooses it; the mouse wheel turns the wheel a row a notch
                    // once it has the focus, and scrolls the page otherwise.
                    MouseArea {
                        anchors.fill: parent
                        property real notches: 0
                        onClicked: (mouse) => {
                            wheel.forceActiveFocus(Qt.MouseFocusReason)
                            wheel.choose(wheel.selected + Math.round((mouse.y - height / 2) / wheel.rowHeight))
                        }
                        onWheel: (event) => {
                            if (!wheel.activeFocus) return picker.scrollPage(event.angleDelta.y)
                            notches += event.angleDelta.y / 120
                            const steps = notches > 0 ? Math.floor(notches) : Math.ceil(notches)
                            notches -= steps
                            if (steps !== 0) wheel.choose(wheel.selected - steps)
                        }
                    }
                    FocusMark { inset: 2 }
                }
            }
        }
    }
}

import QtQuick
import QtQuick.Window
import Vokari
import "Focus.js" as Focus

// The phone-shaped window: the message banner, the navigation bar and the top screen's
// elements, with the screen's sheet, the progress overlay, alerts and sheets and the calling
// panel above them. Knows no screen: everything comes from the bridge ("client").
//
// Keyboard: Tab and Shift+Tab go through the controls in reading order, Return and Space press
// them, Escape goes back (or puts the banner away; alerts, sheets and the panel take it first).
// A new screen starts with the focus on the input its screen names, else on its first input,
// else on none (so no stray key presses a button); a screen that places the focus itself
// (the login's phone input, a second after loading) starts on none.
Window {
    id: window
    width: 390
    height: 800
    minimumWidth: 320
    minimumHeight: 520
    visible: true
    title: "Vokari"
    color: Theme.background

    onActiveFocusItemChanged: page.ensureVisible(activeFocusItem)

    FocusScope {
        id: root
        objectName: "root"
        anchors.fill: parent
        focus: true
        Keys.onEscapePressed: {
            if (client.sms.visible) return client.closeSms()
            if (client.bar.backVisible && client.bar.backEnabled) client.back()
        }

        Item {
            id: page
            objectName: "page"
            anchors.fill: parent

            SmsBanner {
                id: banner
                anchors { top: parent.top; left: parent.left; right: parent.right }
            }
            NavBar {
                id: bar
                anchors { top: banner.bottom; left: parent.left; right: parent.right }
            }

            ListView {
                id: list
                objectName: "elementList"
                anchors { top: bar.bottom; left: parent.left; right: parent.right; bottom: parent.bottom }
                clip: true
                model: client.elements
                topMargin: 12
                bottomMargin: 24
                spacing: 8
                boundsBehavior: Flickable.StopAtBounds
                cacheBuffer: 400
                keyNavigationEnabled: false  // arrows belong to the control with the focus
                delegate: ElementDelegate {}
                // The rows on screen, so that a long list keeps cards only for them and the next ones.
                // An edge of the view may lie in a margin or in the gap between two rows: the row
                // nearest to it inwards is the one shown there.
                function rowNear(y, step) {
                    for (let i = 0; i < 6; ++i, y += step) {
                        const row = indexAt(width / 2, y)
                        if (row >= 0) return row
                    }
                    return -1
                }
                function reportShown() {
                    client.shown(client.screenSerial, rowNear(contentY + 1, spacing),
                                 rowNear(contentY + height - 1, -spacing))
                }
                onContentYChanged: reportShown()
                onHeightChanged: reportShown()
                onCountChanged: reportShown()
            }

            // The control that takes the focus is scrolled into view; the rows beyond it are
            // then made, so Tab can go on to them.
            function ensureVisible(item) {
                if (!item || !Focus.inside(list.contentItem, item)) return
                const top = item.mapToItem(list.contentItem, 0, 0).y - 8
                const bottom = top + item.height + 16
                let y = list.contentY
                if (top < y) y = top
                else if (bottom > y + list.height) y = bottom - list.height
                const least = list.originY - list.topMargin
                const most = list.originY + list.contentHeight + list.bottomMargin - list.height
                list.contentY = Math.max(least, Math.min(Math.max(least, most), y))
            }

            function firstInput() {
                let best = null
                list.forceLayout()
                for (let i_ = 0; i_ < list.contentItem.children.length; ++i_) {
                    const row = list.contentItem.children[i_]
                    const input = row.kind === "Input" ? row.item : null
                    if (!input || !input.visible || input.value.enabled === false) continue
                    if (input.value.focused) return input
                    if (!best || row.index < best.row.index) best = { row: row, input: input }
                }
                return best ? best.input : null
            }

            function startFocus() {
                if (client.alert.open || client.sheetOpen || client.call.visible) return
                const input = client.bar.placesFocus ? null : firstInput()
                if (input) input.takeFocus()
                else if (!Focus.inside(list, window.activeFocusItem)) root.forceActiveFocus()
            }

            Connections {
                target: client
                function onScreenShown() {
                    list.positionViewAtBeginning()
                    root.forceActiveFocus()
                    Qt.callLater(page.startFocus)
                }
            }
        }

        SheetOverlay { anchors.fill: parent }
        HudOverlay { anchors.fill: parent }
        AlertOverlay { anchors.fill: parent }
        CallPanel { anchors.fill: parent }
    }
    MediaDialog {}

    Component.onCompleted: Qt.callLater(page.startFocus)
}

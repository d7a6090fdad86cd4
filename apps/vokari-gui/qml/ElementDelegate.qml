import QtQuick

// Chooses the delegate of an element by its kind: "<kind>Element.qml" in elements/. A new kind
// of the view model needs only its file there (and its name in the CMake list).
Loader {
    id: loader
    required property string kind
    required property int element
    required property var value
    required property int serial
    required property int index
    width: ListView.view ? ListView.view.width : parent ? parent.width : 0
    height: item && item.visible ? item.implicitHeight : 0
    source: Qt.resolvedUrl("elements/" + kind + "Element.qml")
    Binding { target: loader.item; property: "value"; value: loader.value; when: loader.item !== null }
    Binding { target: loader.item; property: "element"; value: loader.element; when: loader.item !== null }
    Binding { target: loader.item; property: "serial"; value: loader.serial; when: loader.item !== null }

    // Tab follows the order of the items among their siblings; a list makes its rows as they
    // scroll into view, in any order, so each takes its place by its index.
    Component.onCompleted: {
        if (!parent) return
        let after = null
        for (let i_ = 0; i_ < parent.children.length; ++i_) {
            const sibling = parent.children[i_]
            if (sibling !== loader && sibling.index !== undefined && sibling.index > index
                    && (!after || sibling.index < after.index))
                after = sibling
        }
        if (after) windowHelper.placeBefore(loader, after)
    }
}

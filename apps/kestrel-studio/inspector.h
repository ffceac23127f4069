// The inspector panel's content: a picked entity's attribute records, extended data and geometry,
// or a picked alignment with each of its elements.
#pragma once

class OvDbDatabase;
class QTreeWidget;

namespace kestrel::studio {

struct Shape;

// Fills the tree (two columns: field and value) for a picked shape of the drawing's scene; null
// clears it.
void showInInspector(QTreeWidget& tree, const Shape* shape, const OvDbDatabase* drawing);

}  // namespace kestrel::studio

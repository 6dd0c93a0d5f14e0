#pragma once
// An edit that found its item changed by someone else since it was read:
// the user's change and the other one joined field by field, so that a
// second "ОК" stores only what the editor shows and never a value the user
// did not see.

#include <QString>
#include <QStringList>
#include <vector>

namespace detalehran {
struct App;
}

namespace detalehran::editor {

class ItemEditorWindow;

// The fields of one item three ways: as read when the editor opened
// (`read`), as the user left them (`mine`) and as stored now (`stored`).
struct FieldMerge {
    QStringList merged;      // the user's value where only they changed it, else the stored one
    std::vector<int> taken;  // columns the other user changed and this one did not
    std::vector<int> both;   // columns both changed to different values: the user picks
};
FieldMerge merge_fields(const QStringList& read, const QStringList& mine, const QStringList& stored);

// Puts the joined item into the editor: fields only one side changed are
// joined at once, for each field both changed the user is asked which
// value to keep. The user is then told what was taken from the stored item;
// nothing is written until the next "ОК".
void join_changes(App& app, ItemEditorWindow& editor, const QStringList& read, const QStringList& stored);

}  // namespace detalehran::editor

// ScheduledTasksDialog.h -- "Open Scheduler": Tessaly's scheduled tasks, with a way to remove one.
#pragma once

#include "engine/IdentityTable.h"
#include "platform/Ui.h"
#include "scheduler/TaskScheduler.h"

#include <QDialog>
#include <QStringList>

class QPushButton;
class QTreeWidget;

namespace tessaly {

class ScheduledTasksDialog : public QDialog {
    Q_OBJECT
public:
    // Identities are shown by user name when the table knows their key.
    ScheduledTasksDialog(TaskScheduler& scheduler, const IdentityTable& identities, Ui& ui,
                         QWidget* parent = nullptr);

    // Reads the tasks again.
    void refresh();

private:
    void removeSelected();

    TaskScheduler& scheduler_;
    const IdentityTable& identities_;
    Ui& ui_;
    QTreeWidget* lvwTasks_ = nullptr;
    QPushButton* cmdRemove_ = nullptr;
};

// The row the list shows for a job: task number, start time, days, identity, backup file.
QStringList ScheduledJobRow(const ScheduledJob& job, const IdentityTable& identities);

} // namespace tessaly

#include "app/Help.h"

void ShowHelpTopic(QWidget* owner, int topic) {
    (void)owner;
    (void)topic;
}

#include "platform/services/log.h"

Q_LOGGING_CATEGORY(lcClipboard, "merkolo.clipboard", QtWarningMsg)
Q_LOGGING_CATEGORY(lcFiles, "merkolo.files", QtWarningMsg)
Q_LOGGING_CATEGORY(lcTray, "merkolo.tray", QtWarningMsg)
Q_LOGGING_CATEGORY(lcInstance, "merkolo.instance", QtWarningMsg)

// A batch header that reaches up into the application and into Qt: the include check must refuse both.
#pragma once

#include <QWidget>
#include <vector>

#include "App/uMainForm.h"
#include "Batch/uFilesC.h"
#include "Shared/Common/uControls.h"

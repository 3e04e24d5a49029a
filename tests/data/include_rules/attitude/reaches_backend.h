// A filter file that reaches into a backend.
#include "imu_ok.h"
#  include "sim/backend_only.h"

// The simulated adapter library: everything a test needs in one include.
#pragma once

#include "vlrsim/adapter_frame.h"
#include "vlrsim/adapter_options.h"
#include "vlrsim/counted_frames.h"
#include "vlrsim/family.h"
#include "vlrsim/host_frame.h"
#include "vlrsim/identifier_filter.h"
#include "vlrsim/pty_adapter.h"
#include "vlrsim/recording.h"
#include "vlrsim/scripted_source.h"
#include "vlrsim/sums.h"
#include "vlrsim/synced_frames.h"
#include "vlrsim/traffic_source.h"

// The record I/O layer in one include.
#pragma once

#include "recio/edit.h"
#include "recio/format.h"
#include "recio/io_error.h"
#include "recio/io_item.h"
#include "recio/statement.h"
#include "recio/unit.h"

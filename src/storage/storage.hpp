// The storage manager: the core store, sub-blocks and their sectors, slot control, the
// file layer of direct-access files, the block structures over them, and texts in words.
#pragma once

#include "storage/blocks.hpp"
#include "storage/core_store.hpp"
#include "storage/current_routine.hpp"
#include "storage/disk_pointer.hpp"
#include "storage/files.hpp"
#include "storage/slot_control.hpp"
#include "storage/sub_block.hpp"
#include "storage/text_words.hpp"

#pragma once

#include <stdint.h>

#include <vector>

#include "PF_Callbacks.h"
#include "SequenceData.h"

// Frees what the record in in_data->sequence_data owns; the handle stays.
void freeSequenceDataContents(PF_InData* in_data);

// Frees a loaded model and its textures and empties the list; a null model
// leaves the list as it is. The private OpenGL context must be current.
void freeTavrixModel(tavrix::ATavrixModel** model_slot, std::vector<uint32_t>* texture_ids);

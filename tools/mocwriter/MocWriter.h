// Model writer library: builds ".moc" byte streams in code.
//
//   MocStreamWriter     low-level encoder (numbers, strings, arrays, tagged
//                       objects, back-references, raw bytes)
//   MocClass            class numbers of the object stream
//   MocModel            plain description of a model
//   MocModelSerializer  writes MocModel classes through a MocStreamWriter
//   MocFile             complete files: header, root, end marker
//   ModelBuilders       short-hands for tests and generators
#pragma once

#include "mocwriter/MocClass.h"
#include "mocwriter/MocFile.h"
#include "mocwriter/MocModel.h"
#include "mocwriter/MocModelSerializer.h"
#include "mocwriter/MocStreamWriter.h"
#include "mocwriter/ModelBuilders.h"

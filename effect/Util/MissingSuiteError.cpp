#include "Util/MissingSuiteError.h"

#include "PF_Basic.h"

void MissingSuiteError()
{
    throw PF_Err(PF_Err_BAD_CALLBACK_PARAM);
}

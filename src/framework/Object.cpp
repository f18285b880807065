#include "framework/Object.h"

#include "framework/MsgMap.h"

const CRuntimeClass CObject::runtimeClass = {"CObject", nullptr, nullptr};
const CRuntimeClass CCmdTarget::runtimeClass = {"CCmdTarget", nullptr, &CObject::runtimeClass};
const AFX_MSGMAP CCmdTarget::messageMap = {nullptr, nullptr, 0};

CObject* CRuntimeClass::CreateObject() const
{
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const
{
    for (const CRuntimeClass* cls = this; cls; cls = cls->m_pBaseClass) {
        if (cls == base)
            return true;
    }
    return false;
}

CObject::~CObject() = default;

const CRuntimeClass* CObject::GetRuntimeClass() const
{
    return &runtimeClass;
}

bool CObject::IsKindOf(const CRuntimeClass* cls) const
{
    return GetRuntimeClass()->IsDerivedFrom(cls);
}

const CRuntimeClass* CCmdTarget::GetRuntimeClass() const
{
    return &runtimeClass;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return &messageMap;
}

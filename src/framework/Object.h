// Run-time class information and the command-target root of the framework.
#pragma once

class CObject;
struct AFX_MSGMAP;

// Name, factory and base of a framework class. The factory is null for classes
// that cannot be created by name.
struct CRuntimeClass {
    const char* m_lpszClassName;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    // A new object of the class, or null when the class is not creatable.
    CObject* CreateObject() const;
    bool IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
public:
    static const CRuntimeClass runtimeClass;

    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject();

    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;

    bool IsKindOf(const CRuntimeClass* cls) const;

protected:
    CObject() = default;
};

// The factory of a dynamically creatable class.
template <class T>
CObject* AfxCreateObject()
{
    return new T;
}

// An object with a message map. Classes that add entries declare their own
// static messageMap, whose base is the nearest base class's messageMap.
class CCmdTarget : public CObject {
public:
    static const CRuntimeClass runtimeClass;
    static const AFX_MSGMAP messageMap;

    const CRuntimeClass* GetRuntimeClass() const override;
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

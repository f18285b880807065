#include "framework/Gdi.h"

#include "framework/Wnd.h"

void CGdiObject::Attach(HGDIOBJ object)
{
    if (object != m_hObject)
        DeleteObject();
    m_hObject = object;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    BOOL deleted = ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    return deleted;
}

int CBitmap::GetBitmap(BITMAP* info) const
{
    return m_hObject ? ::GetObjectA(m_hObject, sizeof(BITMAP), info) : 0;
}

BOOL CBitmap::CreateCompatibleBitmap(const CDC* dc, int width, int height)
{
    Attach(dc ? ::CreateCompatibleBitmap(dc->m_hDC, width, height) : nullptr);
    return m_hObject != nullptr;
}

BOOL CBrush::CreateSolidBrush(COLORREF colour)
{
    Attach(::CreateSolidBrush(colour));
    return m_hObject != nullptr;
}

CDC::~CDC()
{
    DeleteDC();
}

BOOL CDC::CreateCompatibleDC(const CDC* other)
{
    DeleteDC();
    m_hDC = ::CreateCompatibleDC(other ? other->m_hDC : nullptr);
    m_owned = m_hDC != nullptr;
    return m_owned;
}

BOOL CDC::DeleteDC()
{
    if (!m_owned)
        return FALSE;
    BOOL deleted = ::DeleteDC(m_hDC);
    m_hDC = nullptr;
    m_owned = false;
    return deleted;
}

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd)
{
    m_hDC = ::GetDC(m_hWnd);
}

CClientDC::~CClientDC()
{
    ::ReleaseDC(m_hWnd, m_hDC);
    m_hDC = nullptr;
}

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd)
{
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC()
{
    ::EndPaint(m_hWnd, &m_ps);
    m_hDC = nullptr;
}
